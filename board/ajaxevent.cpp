// SPDX-License-Identifier: MIT
#include "ajaxevent.h"

#include <utility>

namespace tessary {

using platform::E_INVALIDARG_;
using platform::E_NOTIMPL_;
using platform::S_OK_;

TAjaxEvent::TAjaxEvent(const platform::TComPtr<platform::IXmlHttpRequest>& request,
                       THandler handler)
    : FRequest(request), FHandler(std::move(handler)) {}

TAjaxEvent::~TAjaxEvent() {
  FHandler = nullptr;
  FRequest.Reset();
}

long TAjaxEvent::GetTypeInfoCount(unsigned*) { return E_NOTIMPL_; }

long TAjaxEvent::GetTypeInfo(unsigned, void**) { return E_NOTIMPL_; }

long TAjaxEvent::GetIDsOfNames(const QString*, unsigned, int*) { return E_NOTIMPL_; }

long TAjaxEvent::Invoke(int dispId, const QVariantList&, QVariant*) {
  if (dispId != 0) return E_INVALIDARG_;
  if (!FHandler || !FRequest) return S_OK_;
  // The handler may unregister this sink or drop the request: both must
  // outlive the call, and the handler must not vanish while it runs.
  const platform::TComPtr<platform::IDispatchLike> self(this);
  const platform::TComPtr<platform::IXmlHttpRequest> request = FRequest;
  const THandler handler = FHandler;
  handler(request.Get());
  return S_OK_;
}

}  // namespace tessary
