#include "core/ControlSocket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "core/ControlServer.h"
#include "core/InstanceLock.h"
#include "core/MainMessages.h"
#include "support/TempDir.h"

namespace {

// A socket bound (or connected: `bind` false) to `path`, or an invalid one.
UniqueFd SocketAt(const std::string& path, bool bind) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM, 0));
  const auto* at = reinterpret_cast<sockaddr*>(&address);
  return (bind ? ::bind(fd.Get(), at, sizeof address) : ::connect(fd.Get(), at, sizeof address)) == 0 ? std::move(fd) : UniqueFd();
}

// A socket file nobody listens on, as a killed engine leaves it.
void LeaveStaleSocket(const std::string& path) { ASSERT_TRUE(SocketAt(path, true).Valid()); }

// Sends `raw` as it is and returns the reply line.
std::string RawExchange(const std::string& path, const std::string& raw) {
  UniqueFd fd = SocketAt(path, false);
  if (!fd.Valid()) return "";
  WriteControlLine(fd.Get(), raw, 1000);
  return ReadControlLine(fd.Get(), control::kMaxReply, 3000).value_or("");
}

TEST(ControlSocket, PlacesAreTheRuntimeFolderElseTheDataRootAndClientsLookInBoth) {
  TempDir tmp;
  const ControlSocketPlaces session = ControlSocketPlacesFor(tmp.Path() + "/./data/", "/run/user/7", 7);
  const ControlSocketPlaces none = ControlSocketPlacesFor(tmp.Path() + "/data", "", 7);
  EXPECT_EQ(session.listen.rfind("/run/user/7/zavotel/", 0), 0u);
  EXPECT_EQ(none.listen, tmp.Path() + "/data/zavotel.sock");
  // Both spellings of the root meet at one socket; the session's is tried first.
  EXPECT_EQ(session.lookups, (std::vector<std::string>{session.listen, none.listen}));
  EXPECT_EQ(none.lookups, session.lookups);
  EXPECT_NE(ControlSocketPlacesFor(tmp.Path() + "/other", "/run/user/7", 7).listen, session.listen);
}

TEST(ControlSocket, TheServerAnswersWellFormedRequestsAndRefusesTheRest) {
  TempDir tmp;
  const std::string path = tmp / "z.sock";
  std::string error;
  std::unique_ptr<ControlEndpoint> endpoint = ControlEndpoint::Open(path, error);
  ASSERT_TRUE(endpoint) << error;  // (its mode is engine_instance's, end to end)
  ControlServer server(std::move(endpoint), [](const LMessage& m) {
    return control::Reply{true, m.wParam * 10, m.text};
  });
  ASSERT_TRUE(server.Start(LThread::kPriorityNormal));

  const ControlOutcome outcome =
      SendControlRequest({tmp / "absent.sock", path}, LMessage{WM_CONTROLCOMMAND, 3, 0, "Sales"}, 3000);
  EXPECT_TRUE(outcome.failure == ControlFailure::kNone && outcome.reply.ok && outcome.reply.result == 30 &&
              outcome.reply.text == "Sales")
      << outcome.detail;
  EXPECT_EQ(RawExchange(path, "32767 3 " + std::string(260, 'x') + "\n"),
            "error argument is longer than 259 characters\n");
  EXPECT_EQ(RawExchange(path, std::string(400, '1')), "error no request line of at most 320 bytes\n");
}

TEST(ControlSocket, AStaleSocketIsReplacedButOthersSocketsAndFilesAreNot) {
  TempDir tmp;
  const std::string path = tmp / "z.sock";
  LeaveStaleSocket(path);
  EXPECT_EQ(SendControlRequest({path}, LMessage{WM_CONTROLCOMMAND, 0, 0, ""}, 1000).failure,
            ControlFailure::kNoEngine);
  std::string error;
  std::unique_ptr<ControlEndpoint> first = ControlEndpoint::Open(path, error);
  ASSERT_TRUE(first) << error;
  // A socket somebody answers on is not stale.
  EXPECT_FALSE(ControlEndpoint::Open(path, error));
  EXPECT_NE(error.find("another engine answers"), std::string::npos) << error;
  first.reset();
  EXPECT_NE(::access(path.c_str(), F_OK), 0);  // removed at the end

  std::ofstream(tmp / "file.sock") << "x";
  EXPECT_FALSE(ControlEndpoint::Open(tmp / "file.sock", error));
  EXPECT_NE(error.find("not a socket"), std::string::npos) << error;
  EXPECT_FALSE(ControlEndpoint::Open(tmp / std::string(120, 'n'), error));
  EXPECT_NE(error.find("too long"), std::string::npos) << error;

  if (::geteuid() != 0) GTEST_SKIP() << "another user's socket needs root to make";
  LeaveStaleSocket(tmp / "their.sock");
  ASSERT_EQ(::chown((tmp / "their.sock").c_str(), 65534, 65534), 0);
  const ControlOutcome theirs = SendControlRequest({tmp / "their.sock"}, LMessage{WM_CONTROLCOMMAND, 0, 0, ""}, 1000);
  EXPECT_TRUE(theirs.failure == ControlFailure::kOtherUser &&
              theirs.detail.find("belongs to another user (uid 65534)") != std::string::npos)
      << theirs.detail;
  EXPECT_FALSE(ControlEndpoint::Open(tmp / "their.sock", error));
  EXPECT_NE(error.find("belongs to another user"), std::string::npos) << error;
}

TEST(ControlSocket, OneInstanceLockPerDataFolderUntilItsHolderGoes) {
  TempDir tmp;
  auto first = std::make_unique<InstanceLock>(tmp.Path());
  InstanceLock second(tmp.Path());
  EXPECT_EQ(first->TryTake(), InstanceLock::Result::kTaken);
  EXPECT_EQ(second.TryTake(), InstanceLock::Result::kBusy);
  first.reset();
  EXPECT_EQ(second.TryTake(), InstanceLock::Result::kTaken);
  EXPECT_EQ(InstanceLock(tmp / "missing/folder").TryTake(), InstanceLock::Result::kFailed);
}

}  // namespace
