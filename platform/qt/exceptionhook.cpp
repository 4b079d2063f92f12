// SPDX-License-Identifier: MIT
#include "exceptionhook.h"

#include <cstdio>
#include <mutex>

namespace tessary {

namespace {
std::mutex gHandlerLock;
TExceptionHandler gHandler;  // under gHandlerLock
}  // namespace

void SetApplicationExceptionHandler(TExceptionHandler handler) {
  std::lock_guard guard(gHandlerLock);
  gHandler = std::move(handler);
}

void HandleApplicationException(const std::exception& error) {
  TExceptionHandler handler;
  {
    std::lock_guard guard(gHandlerLock);
    handler = gHandler;
  }
  if (handler) {
    handler(error);
  } else {
    std::fprintf(stderr, "Timer handler failed: %s\n", error.what());
  }
}

}  // namespace tessary
