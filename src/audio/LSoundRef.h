#pragma once

#include <cstdint>
#include <utility>

// Base of reference-counted audio objects. Sources and sinks live on the heap
// and are held only through LRef handles; the last handle to let go destroys
// the object. The count is not atomic: one chain belongs to one thread.
class LRefCounted {
 public:
  LRefCounted() = default;
  virtual ~LRefCounted() = default;
  LRefCounted(const LRefCounted&) = delete;
  LRefCounted& operator=(const LRefCounted&) = delete;

  void AddRef() { ++references_; }
  void Release() {
    if (--references_ == 0) delete this;
  }

 private:
  uint32_t references_ = 0;
};

// A handle that takes a reference to its object and lets go of it.
// Assignment takes the new object before releasing the old one, so assigning
// a handle to itself or to a filter wrapping its own object is safe.
template <class T>
class LRef {
 public:
  LRef() = default;
  LRef(T* object) : object_(object) {  // NOLINT: handles are made from new objects
    if (object_) object_->AddRef();
  }
  LRef(const LRef& other) : LRef(other.object_) {}
  template <class U>
  LRef(const LRef<U>& other) : LRef(other.Get()) {}  // NOLINT: upcast like a pointer
  LRef(LRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ~LRef() {
    if (object_) object_->Release();
  }
  LRef& operator=(LRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};
