// SPDX-License-Identifier: MIT
#pragma once

// The sink a request object calls at each change of its ready state: it
// forwards the call to a handler together with the request it belongs to.

#include <functional>

#include "dispatch.h"
#include "xmlhttp.h"

namespace tessary {

class TAjaxEvent : public platform::TInterfacedObject {
 public:
  using THandler = std::function<void(platform::IXmlHttpRequest*)>;

  // Keeps a reference to the request; once registered as the request's
  // onreadystatechange, the request's reference is what keeps this alive.
  TAjaxEvent(const platform::TComPtr<platform::IXmlHttpRequest>& request, THandler handler);

  long GetTypeInfoCount(unsigned* count) override;
  long GetTypeInfo(unsigned index, void** info) override;
  long GetIDsOfNames(const QString* names, unsigned count, int* ids) override;
  // Only the default member (0) exists: it calls the handler.
  long Invoke(int dispId, const QVariantList& args, QVariant* result) override;

 protected:
  // Only the last Release ends it.
  ~TAjaxEvent() override;

 private:
  platform::TComPtr<platform::IXmlHttpRequest> FRequest;
  THandler FHandler;
};

}  // namespace tessary
