// Any request to the live control, answered by the session's own side of it over real answer
// faults: every answer is a status the control gives, in JSON that reads back (an error with
// its "error"), and a token is never passed without its header.
//
// Input: method, path, query and the Authorization value on lines of their own, then the body.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "app/control_api.h"
#include "app/session_control.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_display_view.h"

namespace {

using namespace v7400;

struct NoLateAnswers : Scheduler {
  bool After(int, std::function<void()>) override { return false; }
  bool HasRoom() const override { return false; }
  std::size_t RunAllNow() override { return 0; }
};

std::string Field(std::string& rest) {
  std::string field = rest.substr(0, rest.find('\n'));
  rest.erase(0, std::min(rest.size(), field.size() + 1));
  return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::set<int> kStatuses = {200, 400, 401, 404, 405, 409, 413};
  testing::FakeClock clock;
  testing::FakeDisplayView view;
  NoLateAnswers scheduler;
  SimulatorState state;
  state.Format = (size & 1) != 0 ? AutomationFormat::kSia : AutomationFormat::k4100;
  DisplaySink sink(state, view, &clock);
  TrafficObservers traffic(sink, state, nullptr);
  EventJournal journal(8);
  TrafficMetrics metrics([] { return std::int64_t{0}; });
  AnswerFaults faults(clock, scheduler);
  const std::vector<Expectation> expectations;
  SessionControl target({state, faults, traffic, journal, metrics, nullptr, expectations,
                         [] { return Json(); }, [] { return 0.0; }, [] {},
                         [](const std::string&) {}});
  std::string rest(reinterpret_cast<const char*>(data), size);
  ControlRequest request;
  request.method = Field(rest);
  request.path = Field(rest);
  request.query = Field(rest);
  const std::string authorization = Field(rest);
  if (!authorization.empty()) request.headers = {{"Authorization", authorization}};
  request.body = rest;
  const std::string token = (size & 2) != 0 ? "t0ken" : "";
  const ControlResponse response = ControlApi(target, token).Handle(request);
  if (kStatuses.count(response.status) == 0) std::abort();
  // Past the token only with "Bearer t0ken", the scheme in any case.
  std::string scheme = authorization.substr(0, 7);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string given = authorization.substr(std::min<std::size_t>(7, authorization.size()));
  if (!token.empty() && response.status != 401 && (scheme != "bearer " || given != token)) {
    std::abort();
  }
  if (response.content_type != "application/json") return 0;
  const Json json = Json::parse(response.body, nullptr, false);
  if (json.is_discarded()) std::abort();
  if (response.status >= 400 && !json.contains("error")) std::abort();
  return 0;
}
