// The live control over HTTP, without the sockets: a request in, a response out. It checks the
// token, the path, the method, the body's size and its JSON, reads fault rules as the command
// line reads them, and leaves the state to a ControlTarget that the session implements.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/json_text.h"
#include "core/simulator_state.h"
#include "protocol/fault_rule.h"

namespace v7400 {

inline constexpr std::size_t kControlBodyLimit = 64 * 1024;
inline constexpr std::size_t kControlEventsLimit = 1000;  // per answer of /v1/events

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct ControlRequest {
  std::string method;  // "GET", "PUT" ...
  std::string path;
  std::string query;  // without the "?"
  HeaderList headers;
  std::string body;
};

struct ControlResponse {
  int status = 200;
  std::string content_type = "application/json";
  std::string body;
  HeaderList headers;  // beside the content type and length
};

// What the session offers the control: every call is made on the program's own thread.
class ControlTarget {
 public:
  virtual ~ControlTarget() = default;
  virtual AutomationFormat Format() const = 0;
  virtual Json Status() const = 0;
  virtual Json Faults() const = 0;
  // Replaces the rules, as the Debug testing page's Apply does; the seed stays when none.
  virtual void SetFaults(std::vector<FaultRule> rules, std::optional<std::uint64_t> seed) = 0;
  // Starts an outage now; its number.
  virtual int StartOutage(double seconds) = 0;
  // Ends the outage under way now; its number, or none when none runs.
  virtual std::optional<int> EndOutage() = 0;
  virtual Json Report() const = 0;
  virtual Json Expectations() const = 0;
  virtual Json Events(std::optional<std::uint64_t> after, std::size_t limit) const = 0;
  virtual void ResetFigures() = 0;
  virtual std::string Metrics() const = 0;
};

class ControlApi {
 public:
  // `token` empty: no token asked for.
  ControlApi(ControlTarget& target, std::string token)
      : target_(target), token_(std::move(token)) {}
  ControlResponse Handle(const ControlRequest& request);

 private:
  ControlResponse Dispatch(const ControlRequest& request, const std::string& route);
  ControlResponse PutFaults(const std::string& body);
  ControlResponse PostOutage(const std::string& body);
  ControlResponse GetEvents(const std::string& query);
  bool Authorized(const HeaderList& headers) const;

  ControlTarget& target_;
  std::string token_;
};

// The same bytes, compared in a time that does not depend on where they differ.
bool SameSecret(const std::string& given, const std::string& expected);

}  // namespace v7400
