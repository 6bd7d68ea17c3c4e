#include "telephony/wave/LSoundNotifyWindow.h"

#include "core/MainLoop.h"

LSoundNotifyWindow::LSoundNotifyWindow(MainLoop& loop, std::function<void()> handler)
    : loop_(loop), shared_(std::make_shared<Shared>()) {
  shared_->handler = std::move(handler);
}

LSoundNotifyWindow::~LSoundNotifyWindow() = default;

bool LSoundNotifyWindow::IsValid() const { return loop_.IsValid(); }

void LSoundNotifyWindow::Post() {
  if (shared_->pending.exchange(true)) return;
  std::weak_ptr<Shared> weak = shared_;
  const bool posted = loop_.Post([weak] {
    if (std::shared_ptr<Shared> shared = weak.lock()) {
      shared->pending = false;
      shared->handler();
    }
  });
  if (!posted) shared_->pending = false;
}
