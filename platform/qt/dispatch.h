// SPDX-License-Identifier: MIT
#pragma once

// A minimal late-bound dispatch interface with reference counting, standing
// in for the platform's: an object others can call by a member number.

#include <QString>
#include <QVariant>

#include <atomic>
#include <utility>

namespace tessary::platform {

// Result codes as the classic interface has them.
enum THResult : long {
  S_OK_ = 0,
  E_NOTIMPL_ = static_cast<long>(0x80004001L),
  E_INVALIDARG_ = static_cast<long>(0x80070057L),
};

class IDispatchLike {
 public:
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;  // deletes the object at 0
  virtual long GetTypeInfoCount(unsigned* count) = 0;
  virtual long GetTypeInfo(unsigned index, void** info) = 0;
  virtual long GetIDsOfNames(const QString* names, unsigned count, int* ids) = 0;
  // Calls member dispId (0 is the default member) with the arguments.
  virtual long Invoke(int dispId, const QVariantList& args, QVariant* result) = 0;

 protected:
  virtual ~IDispatchLike() = default;
};

// The reference-counted base object.
class TInterfacedObject : public IDispatchLike {
 public:
  unsigned long AddRef() override { return ++FRefCount; }
  unsigned long Release() override {
    const unsigned long left = --FRefCount;
    if (left == 0) delete this;
    return left;
  }
  unsigned long RefCount() const { return FRefCount; }

 private:
  std::atomic<unsigned long> FRefCount{0};
};

// A counted reference, as a variant holding a dispatch object is.
template <typename T>
class TComPtr {
 public:
  TComPtr() = default;
  explicit TComPtr(T* p) : FPtr(p) {
    if (FPtr) FPtr->AddRef();
  }
  TComPtr(const TComPtr& o) : TComPtr(o.FPtr) {}
  TComPtr(TComPtr&& o) noexcept : FPtr(std::exchange(o.FPtr, nullptr)) {}
  TComPtr& operator=(TComPtr o) noexcept {
    std::swap(FPtr, o.FPtr);
    return *this;
  }
  ~TComPtr() { Reset(); }
  // Forgets the pointer before releasing it: the release may destroy the
  // object that holds this very reference.
  void Reset() {
    if (T* p = std::exchange(FPtr, nullptr)) p->Release();
  }
  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }

 private:
  T* FPtr = nullptr;
};

}  // namespace tessary::platform
