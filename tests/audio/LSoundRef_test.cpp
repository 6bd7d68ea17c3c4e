#include <gtest/gtest.h>

#include "audio/LSRCFilterBase.h"
#include "audio/LSRCNull.h"

namespace {

class CountedSource : public LSoundSourceBase {
 public:
  explicit CountedSource(int* alive, int32_t rate = 8000, int channels = 1)
      : LSoundSourceBase(rate, channels, kFullScale16), alive_(alive) {
    ++*alive_;
  }
  ~CountedSource() override { --*alive_; }
  void Read(int32_t*, int32_t) override {}
  int32_t GetPosition() override { return 0; }
  int32_t GetEndSample() override { return 0; }

 private:
  int* alive_;
};

class PassFilter : public LSRCFilterBase {
 public:
  using LSRCFilterBase::LSRCFilterBase;
  void Read(int32_t* buffer, int32_t frames) override { Upstream().Read(buffer, frames); }
};

TEST(LSoundRef, LastHandleDestroysTheWholeChainAndSelfAssignmentIsSafe) {
  int alive = 0;
  {
    LSoundSourceRef source = new CountedSource(&alive);
    source = source;
    source = new PassFilter(source);  // the chain-building idiom
    LSoundSourceRef copy = source;
    source = LSoundSourceRef();
    EXPECT_EQ(alive, 1);
  }
  EXPECT_EQ(alive, 0);
}

TEST(LSoundSourceBase, BadRateOrChannelsSetTheErrorFlag) {
  int alive = 0;
  LSoundSourceRef zeroRate = new CountedSource(&alive, 0, 1);
  EXPECT_TRUE(zeroRate->IsError());
  EXPECT_EQ(zeroRate->SampleRate(), 44100);
  LSoundSourceRef zeroChannels = new CountedSource(&alive, 8000, 0);
  EXPECT_TRUE(zeroChannels->IsError());
  EXPECT_EQ(zeroChannels->Channels(), 1);
  EXPECT_TRUE(LSoundSourceRef(new PassFilter(zeroRate))->IsError()) << "filters inherit errors";

  LSoundSourceRef null = new LSRCNull;
  EXPECT_TRUE(null->IsError());
  EXPECT_EQ(null->SampleRate(), 11025);
  EXPECT_EQ(null->MaxLevel(), 0x200000u);
}

TEST(ChainSamples, SixteenBitEdgesAndWrap) {
  EXPECT_EQ(ChainFrom16(-32768), -524288);
  EXPECT_EQ(ChainTo16(-524288), -32768);
  EXPECT_EQ(ChainTo16(kFullScale16), 32767);
  EXPECT_LT(ChainTo16(524280), 0) << "past full scale wraps; the limiter prevents it";
  EXPECT_EQ(ChainFrom8(0), -524288);
  EXPECT_EQ(ChainTo8(ChainFrom8(200)), 200);
}

}  // namespace
