#include "app/control_api.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "core/parse_whole.h"
#include "core/shown_text.h"

namespace v7400 {

namespace {

constexpr std::size_t kQuotedLimit = 80;
constexpr std::size_t kRulesLimit = 1000;  // as many as the Debug testing page takes
constexpr std::size_t kEventsDefault = 100;

struct RouteEntry {
  const char* path;
  std::vector<const char*> methods;
};

const std::vector<RouteEntry>& Routes() {
  static const std::vector<RouteEntry> kRoutes = {
      {"/v1/status", {"GET"}},
      {"/v1/faults", {"GET", "PUT", "DELETE"}},
      {"/v1/outages", {"POST", "DELETE"}},
      {"/v1/report", {"GET"}},
      {"/v1/expectations", {"GET"}},
      {"/v1/events", {"GET"}},
      {"/v1/reset", {"POST"}},
      {"/metrics", {"GET"}},
  };
  return kRoutes;
}

std::string Quoted(const char* what, const std::string& text) {
  return std::string(what) + " '" + ShownText(text, kQuotedLimit) + "': ";
}

ControlResponse JsonResponse(int status, const Json& json) {
  return {status, "application/json", JsonText(json), {}};
}

ControlResponse Error(int status, const std::string& message) {
  return JsonResponse(status, Json{{"error", message}});
}

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The body as a JSON object, or the reason it is none.
std::optional<Json> BodyObject(const std::string& body, std::string& error) {
  Json json;
  try {
    json = Json::parse(body);
  } catch (const Json::exception& problem) {  // also a number too large to hold
    const std::string what = problem.what();
    const std::size_t cut = what.find("] ");
    error = "the body is no JSON: " + (cut == std::string::npos ? what : what.substr(cut + 2));
    return std::nullopt;
  }
  if (!json.is_object()) error = "the body must be a JSON object";
  return json.is_object() ? std::optional(std::move(json)) : std::nullopt;
}

// The keys of `json` beyond `known`, as an error, or empty.
std::string UnknownKey(const Json& json, std::initializer_list<const char*> known) {
  for (const auto& item : json.items()) {
    const std::string& key = item.key();
    if (std::none_of(known.begin(), known.end(), [&](const char* k) { return key == k; })) {
      return "unknown key '" + ShownText(key, kQuotedLimit) + "'";
    }
  }
  return {};
}

bool ReadNumber(std::string_view text, std::uint64_t& value) {
  const std::optional<std::uint64_t> number = ParseWhole<std::uint64_t>(text);
  if (number) value = *number;
  return number.has_value();
}

}  // namespace

bool SameSecret(const std::string& given, const std::string& expected) {
  std::size_t difference = given.size() ^ expected.size();
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const char other = i < given.size() ? given[i] : '\0';
    difference |= static_cast<unsigned char>(other ^ expected[i]);
  }
  return difference == 0;
}

bool ControlApi::Authorized(const HeaderList& headers) const {
  if (token_.empty()) return true;
  constexpr std::string_view kScheme = "Bearer ";
  for (const auto& [name, value] : headers) {
    if (!SameLetters(name, "Authorization")) continue;
    if (value.size() < kScheme.size() ||
        !SameLetters(std::string_view(value).substr(0, kScheme.size()), kScheme)) {
      return false;
    }
    return SameSecret(value.substr(kScheme.size()), token_);
  }
  return false;
}

ControlResponse ControlApi::Handle(const ControlRequest& request) {
  if (!Authorized(request.headers)) {
    ControlResponse response =
        Error(401,
              "the request needs the header 'Authorization: Bearer TOKEN' with the "
              "--control-token of the run");
    response.headers.emplace_back("WWW-Authenticate", "Bearer");
    return response;
  }
  const auto route = std::find_if(Routes().begin(), Routes().end(),
                                  [&](const RouteEntry& r) { return request.path == r.path; });
  if (route == Routes().end()) {
    return Error(404, "no such path: '" + ShownText(request.path, kQuotedLimit) + "'");
  }
  const std::vector<const char*>& methods = route->methods;
  if (std::none_of(methods.begin(), methods.end(),
                   [&](const char* m) { return request.method == m; })) {
    std::string allow;
    for (const char* method : methods) allow += (allow.empty() ? "" : ", ") + std::string(method);
    ControlResponse response = Error(405, request.path + " takes " + allow);
    response.headers.emplace_back("Allow", allow);
    return response;
  }
  if (request.body.size() > kControlBodyLimit) {
    return Error(413, "the body has " + std::to_string(request.body.size()) +
                          " bytes, more than the " + std::to_string(kControlBodyLimit) + " taken");
  }
  return Dispatch(request, request.method + " " + request.path);
}

ControlResponse ControlApi::Dispatch(const ControlRequest& request, const std::string& route) {
  if (route == "GET /v1/status") return JsonResponse(200, target_.Status());
  if (route == "GET /v1/faults") return JsonResponse(200, target_.Faults());
  if (route == "PUT /v1/faults") return PutFaults(request.body);
  if (route == "DELETE /v1/faults") {
    target_.SetFaults({}, std::nullopt);
    return JsonResponse(200, target_.Faults());
  }
  if (route == "POST /v1/outages") return PostOutage(request.body);
  if (route == "DELETE /v1/outages") {
    const std::optional<int> ended = target_.EndOutage();
    if (!ended) return Error(409, "no outage runs");
    return JsonResponse(200, Json{{"ended", *ended}});
  }
  if (route == "GET /v1/report") return JsonResponse(200, target_.Report());
  if (route == "GET /v1/expectations") return JsonResponse(200, target_.Expectations());
  if (route == "GET /v1/events") return GetEvents(request.query);
  if (route == "POST /v1/reset") {
    target_.ResetFigures();
    return JsonResponse(200, Json{{"reset", true}});
  }
  return {200, "text/plain; version=0.0.4; charset=utf-8", target_.Metrics(), {}};
}

ControlResponse ControlApi::PutFaults(const std::string& body) {
  std::string error;
  const std::optional<Json> json = BodyObject(body, error);
  if (!json) return Error(400, error);
  if (error = UnknownKey(*json, {"rules", "seed"}); !error.empty()) return Error(400, error);
  const auto rules = json->find("rules");
  if (rules == json->end() || !rules->is_array()) {
    return Error(400, "'rules' must be a list of rules, such as [\"nack:every=5\"]");
  }
  if (rules->size() > kRulesLimit) {
    return Error(400, std::to_string(rules->size()) + " rules, more than the " +
                          std::to_string(kRulesLimit) + " a run takes");
  }
  std::vector<FaultRule> parsed;
  for (const Json& text : *rules) {
    if (!text.is_string()) return Error(400, "each rule must be a string");
    const std::string rule_text = text.get<std::string>();
    std::optional<FaultRule> rule = ParseFaultRule(rule_text, error);
    if (rule) error = FormatProblem(*rule, target_.Format());
    if (!error.empty()) return Error(400, Quoted("rule", rule_text) + error);
    parsed.push_back(std::move(*rule));
  }
  std::optional<std::uint64_t> seed;
  if (const auto given = json->find("seed"); given != json->end()) {
    const std::string text = given->is_string() ? given->get<std::string>() : given->dump();
    if (!(seed = ParseSeed(text, error))) return Error(400, Quoted("seed", text) + error);
  }
  target_.SetFaults(std::move(parsed), seed);
  return JsonResponse(200, target_.Faults());
}

ControlResponse ControlApi::PostOutage(const std::string& body) {
  std::string error;
  const std::optional<Json> json = BodyObject(body, error);
  if (!json) return Error(400, error);
  if (error = UnknownKey(*json, {"seconds"}); !error.empty()) return Error(400, error);
  const auto seconds = json->find("seconds");
  if (seconds == json->end() || !seconds->is_number()) {
    return Error(400, "'seconds' must be a number, such as {\"seconds\": 30}");
  }
  const std::string text = seconds->dump();
  const std::optional<OutagePlan> plan = ParseOutage(text, error);
  if (!plan) return Error(400, Quoted("seconds", text) + error);
  const int number = target_.StartOutage(plan->seconds);
  return JsonResponse(200, Json{{"outage", number}, {"seconds", plan->seconds}});
}

ControlResponse ControlApi::GetEvents(const std::string& query) {
  std::optional<std::uint64_t> after;
  std::size_t limit = kEventsDefault;
  std::string_view rest = query;
  while (!rest.empty()) {
    const std::string_view pair = rest.substr(0, rest.find('&'));
    rest.remove_prefix(std::min(rest.size(), pair.size() + 1));
    const std::size_t equals = pair.find('=');
    const std::string_view key = pair.substr(0, equals);
    std::uint64_t value = 0;
    const bool number =
        equals != std::string_view::npos && ReadNumber(pair.substr(equals + 1), value);
    if (key == "after" && number) {
      after = value;
    } else if (key == "limit" && number && value >= 1 && value <= kControlEventsLimit) {
      limit = static_cast<std::size_t>(value);
    } else if (key == "after") {
      return Error(400, "after must be an event id (a number)");
    } else if (key == "limit") {
      return Error(400, "limit must be a number from 1 to " + std::to_string(kControlEventsLimit));
    } else {
      return Error(400, "unknown parameter '" + ShownText(std::string(key), kQuotedLimit) +
                            "'; after=N and limit=M are taken");
    }
  }
  return JsonResponse(200, target_.Events(after, limit));
}

}  // namespace v7400
