// SPDX-License-Identifier: MIT
// The request's event sink: what it answers, whom it calls, and that it and
// the request end exactly once, even when the handler lets go of them.

#include <gtest/gtest.h>

#include <QTest>

#include <memory>
#include <vector>

#include "ajaxevent.h"
#include "board/cannedserver.h"
#include "board/fakerequest.h"

namespace tessary {
namespace {

using platform::TComPtr;
using testing::TFakeRequest;

struct Sink {
  bool RequestGone = false;
  TFakeRequest* Raw = new TFakeRequest(&RequestGone);
  TComPtr<platform::IXmlHttpRequest> Request{Raw};
  std::vector<int> Seen;  // the ready states the handler saw

  TAjaxEvent* Make() {
    return new TAjaxEvent(
        Request, [this](platform::IXmlHttpRequest* r) { Seen.push_back(r->readyState()); });
  }
};

TEST(AjaxEvent, AnswersOnlyItsDefaultMember) {
  Sink s;
  const TComPtr<platform::IDispatchLike> event(s.Make());
  unsigned count = 7;
  void* info = nullptr;
  int id = 0;
  const QString name = QStringLiteral("onreadystatechange");
  EXPECT_EQ(event->GetTypeInfoCount(&count), platform::E_NOTIMPL_);
  EXPECT_EQ(event->GetTypeInfo(0, &info), platform::E_NOTIMPL_);
  EXPECT_EQ(event->GetIDsOfNames(&name, 1, &id), platform::E_NOTIMPL_);
  EXPECT_EQ(count, 7u) << "nothing is touched";
  EXPECT_EQ(event->Invoke(1, {}, nullptr), platform::E_INVALIDARG_);
  EXPECT_EQ(event->Invoke(-1, {QVariant(3)}, nullptr), platform::E_INVALIDARG_);
  EXPECT_TRUE(s.Seen.empty());
  s.Raw->State = 2;
  QVariant result;
  EXPECT_EQ(event->Invoke(0, {QVariant(1), QVariant("x")}, &result), platform::S_OK_);
  EXPECT_EQ(s.Seen, std::vector<int>{2}) << "arguments are not looked at";
}

TEST(AjaxEvent, WithoutHandlerOrRequestItDoesNothing) {
  bool gone = false;
  const TComPtr<platform::IDispatchLike> noHandler(
      new TAjaxEvent(TComPtr<platform::IXmlHttpRequest>(new TFakeRequest(&gone)), nullptr));
  EXPECT_EQ(noHandler->Invoke(0, {}, nullptr), platform::S_OK_);

  int calls = 0;
  const TComPtr<platform::IDispatchLike> noRequest(
      new TAjaxEvent({}, [&calls](platform::IXmlHttpRequest*) { ++calls; }));
  EXPECT_EQ(noRequest->Invoke(0, {}, nullptr), platform::S_OK_);
  EXPECT_EQ(calls, 0);
}

TEST(AjaxEvent, HoldsOneReferenceToItsRequestUntilItEnds) {
  Sink s;
  EXPECT_EQ(s.Raw->RefCount(), 1u);
  TAjaxEvent* event = s.Make();
  EXPECT_EQ(event->RefCount(), 0u) << "a new object is owned by its first reference";
  EXPECT_EQ(s.Raw->RefCount(), 2u);
  s.Raw->setOnreadystatechange(event);
  EXPECT_EQ(event->RefCount(), 1u) << "only the request refers to the registered sink";
  for (int state = 1; state <= 4; ++state) s.Raw->Reach(state);
  EXPECT_EQ(s.Seen, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(event->RefCount(), 1u) << "a call keeps no reference";

  s.Raw->setOnreadystatechange(nullptr);  // ends the sink, which lets go of the request
  EXPECT_EQ(s.Raw->RefCount(), 1u);
  s.Request.Reset();
  EXPECT_TRUE(s.RequestGone);
}

// The handler unhooks the sink and drops the last outside reference to the
// request in the middle of the call: both live to the end of it, then go.
TEST(AjaxEvent, SurvivesAHandlerThatLetsGoOfEverything) {
  bool gone = false;
  auto* raw = new TFakeRequest(&gone);
  auto outside = std::make_unique<TComPtr<platform::IXmlHttpRequest>>(raw);
  int calls = 0;
  raw->setOnreadystatechange(new TAjaxEvent(*outside, [&](platform::IXmlHttpRequest* r) {
    ++calls;
    r->setOnreadystatechange(nullptr);
    outside.reset();
    EXPECT_EQ(r->readyState(), 4) << "the request is still whole";
    EXPECT_FALSE(gone);
  }));
  // Called as a request that holds nothing else would call it.
  raw->State = 4;
  EXPECT_EQ(raw->Sink->Invoke(0, {}, nullptr), platform::S_OK_);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(gone) << "the last references went at the end of the call";
}

// With the real request object: the states the handler sees, and the sink
// and request gone once the answer is in (no cycle left behind).
TEST(AjaxEvent, FollowsARealRequestToItsEnd) {
  const struct {
    const char* Why;
    bool Listening;
    int Status;
  } cases[] = {{"answered", true, 200}, {"not found", true, 404}, {"refused", false, 0}};
  for (const auto& c : cases) {
    testing::TCannedServer server(testing::TCannedServer::Http(c.Status, "<body>x</body>"));
    const QString url = c.Listening ? server.Url() : testing::TCannedServer::RefusingUrl();
    std::vector<int> seen;
    auto alive = std::make_shared<int>(0);  // held by the handler, so by the sink
    std::weak_ptr<int> sinkAlive = alive;
    int status = -1;
    {
      TComPtr<platform::IXmlHttpRequest> request = platform::CreateOleObject("MSXML2.XMLHttp");
      request->open("POST", url, true);
      request->setOnreadystatechange(
          new TAjaxEvent(request, [&seen, &status, alive](platform::IXmlHttpRequest* r) {
            seen.push_back(r->readyState());
            if (r->readyState() == 4) status = r->status();
          }));
      alive.reset();
      request->send();
      ASSERT_TRUE(QTest::qWaitFor([&] { return !seen.empty() && seen.back() == 4; }, 1500))
          << c.Why;
      EXPECT_TRUE(sinkAlive.expired()) << c.Why << ": completion ends the sink";
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 1) << c.Why;
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << c.Why;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 4), 1) << c.Why;
    EXPECT_EQ(status, c.Status) << c.Why;
    if (c.Listening) {
      ASSERT_EQ(server.Requests().size(), 1u);
      EXPECT_EQ(server.Requests()[0].Method, "POST");
    }
  }
}

}  // namespace
}  // namespace tessary
