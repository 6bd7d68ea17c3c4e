// Parses arbitrary query text into call parameters and expands arbitrary text
// with them, checking the size limit, the "%" report and the replace rule.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "callengine/LHashTable.h"
#include "callengine/ParameterText.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::size_t outputSize = input.ConsumeIntegralInRange<std::size_t>(0, 400);
  std::string query = input.ConsumeRandomLengthString(512);
  std::string probe = input.ConsumeRandomLengthString(32);
  std::string text = input.ConsumeRemainingBytesAsString();

  LHashTable parms;
  parms.ParseQuery(query);
  Require(parms.Size() <= query.size());
  // Setting the same exact name again replaces its value. (A look-up may still
  // find a newer name that differs only in case first.)
  std::size_t before = parms.Size();
  parms.SetParm(probe, "probe");
  std::size_t after = parms.Size();
  Require(after <= before + 1);
  parms.SetParm(probe, "again");
  Require(parms.Size() == after);

  LCallIdentity call{"5551234", "Caller", "800", 7};
  std::string output;
  bool percent = ExpandParameters(text, output, outputSize, parms, call);
  Require(percent == (text.find('%') != std::string::npos));
  Require(output.size() <= (outputSize ? outputSize - 1 : 0));
  if (!percent) Require(text.substr(0, output.size()) == output);

  std::string inPlace = text;
  Require(ExpandParameters(inPlace, parms, call) == percent);
  Require(percent ? inPlace.size() < kExpandSize : inPlace == text);
  Require(StripPercent(text).find('%') == std::string::npos);
  return 0;
}
