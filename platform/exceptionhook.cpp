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

void HandleApplicationException(const std::exception& error, const char* what) {
  TExceptionHandler handler;
  {
    std::lock_guard guard(gHandlerLock);
    handler = gHandler;
  }
  if (handler) {
    handler(error);
  } else {
    std::fprintf(stderr, "%s failed: %s\n", what, error.what());
  }
}

}  // namespace tessary
