#include "telephony/sip/SipReaper.h"

#include <re.h>

SipReaper::SipReaper() : timer_(std::make_unique<struct tmr>()) { tmr_init(timer_.get()); }

SipReaper::~SipReaper() {
  tmr_cancel(timer_.get());
  // Swapped out first: freeing an item may release another one.
  while (!items_.empty()) std::vector<std::shared_ptr<void>>().swap(items_);
}

void SipReaper::Release(std::shared_ptr<void> item) {
  if (!item) return;
  items_.push_back(std::move(item));
  tmr_start(timer_.get(), 0, OnTimer, this);
}

void SipReaper::OnTimer(void* arg) {
  auto* reaper = static_cast<SipReaper*>(arg);
  std::vector<std::shared_ptr<void>> items;
  items.swap(reaper->items_);
  items.clear();
}
