#pragma once

#include <memory>
#include <vector>

struct tmr;

// Frees objects that hold libre handles on the next pass of the loop, never
// inside one of their own callbacks: a call hung up from its RTP or INFO
// handler must not free that socket or session while libre still uses it.
// Loop thread only; the destructor frees what is left at once.
class SipReaper {
 public:
  SipReaper();
  ~SipReaper();
  SipReaper(const SipReaper&) = delete;
  SipReaper& operator=(const SipReaper&) = delete;

  void Release(std::shared_ptr<void> item);

 private:
  static void OnTimer(void* arg);

  std::unique_ptr<struct tmr> timer_;
  std::vector<std::shared_ptr<void>> items_;
};
