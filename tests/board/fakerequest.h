// SPDX-License-Identifier: MIT
#pragma once

// A request object driven by hand: the test sets its state and makes it tell
// its sink, as the real one does at each ready-state change.

#include <QString>

#include "xmlhttp.h"

namespace tessary::testing {

class TFakeRequest : public platform::IXmlHttpRequest {
 public:
  explicit TFakeRequest(bool* destroyed = nullptr) : FDestroyed(destroyed) {}

  int State = 0;
  int Status = 0;
  QString Text;
  int Aborts = 0;
  platform::TComPtr<platform::IDispatchLike> Sink;

  long GetTypeInfoCount(unsigned*) override { return platform::E_NOTIMPL_; }
  long GetTypeInfo(unsigned, void**) override { return platform::E_NOTIMPL_; }
  long GetIDsOfNames(const QString*, unsigned, int*) override { return platform::E_NOTIMPL_; }
  long Invoke(int, const QVariantList&, QVariant*) override { return platform::E_NOTIMPL_; }
  void open(const QString&, const QString&, bool, const QString&, const QString&) override {
    State = 1;
  }
  void setOnreadystatechange(platform::IDispatchLike* sink) override {
    Sink = platform::TComPtr<platform::IDispatchLike>(sink);
  }
  void send(const QByteArray&) override {}
  void abort() override {
    ++Aborts;
    Sink.Reset();
    State = 0;
    Status = 0;
  }
  int readyState() const override { return State; }
  int status() const override { return Status; }
  qint64 bytesHeld() const override { return Text.size(); }
  QString responseText() const override { return Text; }

  // Moves to state and calls the sink's default member; the sink may
  // unregister itself meanwhile.
  long Reach(int state) {
    State = state;
    if (!Sink) return platform::S_OK_;
    const platform::TComPtr<platform::IDispatchLike> sink = Sink;
    return sink->Invoke(0, {}, nullptr);
  }

 protected:
  ~TFakeRequest() override {
    if (FDestroyed) *FDestroyed = true;
  }

 private:
  bool* FDestroyed;
};

}  // namespace tessary::testing
