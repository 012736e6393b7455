#include "app/control_api.h"

#include <gtest/gtest.h>

#include "app/control_options.h"

namespace v7400 {
namespace {

// Says what it was asked to do, so each row can check the call that reached the session.
class FakeTarget : public ControlTarget {
 public:
  AutomationFormat format = AutomationFormat::kSia;
  std::string call;
  AutomationFormat Format() const override { return format; }
  Json Status() const override { return {{"status", 1}}; }
  Json Faults() const override { return {{"rules", Json::array()}}; }
  void SetFaults(std::vector<FaultRule> rules, std::optional<std::uint64_t> seed) override {
    call = "faults";
    for (const FaultRule& rule : rules) call += " " + ToString(rule);
    if (seed) call += " seed " + std::to_string(*seed);
  }
  int StartOutage(double seconds) override {
    call = "outage " + ToString(OutagePlan{seconds, 0});
    return 4;
  }
  std::optional<int> EndOutage() override { return std::nullopt; }
  Json Report() const override { return {}; }
  Json Expectations() const override { return {}; }
  Json Events(std::optional<std::uint64_t> after, std::size_t limit) const override {
    return {{"after", after.value_or(0)}, {"limit", limit}};
  }
  void ResetFigures() override { call = "reset"; }
  std::string Metrics() const override { return "m 1\n"; }
};

std::string RuleError(const char* text) {
  std::string error;
  const auto rule = ParseFaultRule(text, error);
  return rule ? FormatProblem(*rule, AutomationFormat::k4100) : error;
}

TEST(ControlApiTest, RoutesChecksAndRefusesAsTheCommandLineDoes) {
  struct Row {
    const char* method;
    const char* path;
    std::string query, body, authorization, token;
    int status;
    std::string in_body, call = {}, header = {};
    AutomationFormat format = AutomationFormat::kSia;
  };
  const std::string bearer = "Bearer s3cret";
  const Row rows[] = {
      {"GET", "/v1/status", "", "", "", "", 200, "\"status\":1"},
      {"GET", "/v1/status", "", "", "", "s3cret", 401, "Authorization", "", "WWW-Authenticate"},
      {"GET", "/v1/status", "", "", "Bearer s3creT", "s3cret", 401, "Bearer TOKEN"},
      {"GET", "/v1/status", "", "", "Bearer s3cre", "s3cret", 401, "Bearer TOKEN"},
      {"GET", "/v1/status", "", "", "Basic s3cret", "s3cret", 401, "Bearer TOKEN"},
      {"GET", "/v1/status", "", "", "bearer s3cret", "s3cret", 200, "status"},
      {"GET", "/v1/statusx", "", "", bearer, "s3cret", 404, "no such path: '/v1/statusx'"},
      {"POST", "/v1/status", "", "", "", "", 405, "takes GET", "", "Allow: GET"},
      {"PATCH", "/v1/faults", "", "", "", "", 405, "", "", "Allow: GET, PUT, DELETE"},
      {"PUT", "/v1/faults", "", std::string(kControlBodyLimit + 1, ' '), "", "", 413, "65537"},
      {"PUT", "/v1/faults", "", "{", "", "", 400, "the body is no JSON"},
      {"PUT", "/v1/faults", "", R"({"seed":1e999})", "", "", 400, "the body is no JSON"},
      {"PUT", "/v1/faults", "", "[1]", "", "", 400, "must be a JSON object"},
      {"PUT", "/v1/faults", "", R"({"rules":"nack"})", "", "", 400, "'rules' must be a list"},
      {"PUT", "/v1/faults", "", R"({"rules":[5]})", "", "", 400, "each rule must be a string"},
      {"PUT", "/v1/faults", "", R"({"rules":[],"seeds":1})", "", "", 400, "unknown key 'seeds'"},
      {"PUT", "/v1/faults", "", R"({"rules":["nack:every=0"]})", "", "", 400,
       "rule 'nack:every=0': " + RuleError("nack:every=0")},
      {"PUT", "/v1/faults", "", R"({"rules":["bad-crc"]})", "", "", 400,
       "rule 'bad-crc': " + RuleError("bad-crc"), "", "", AutomationFormat::k4100},
      {"PUT", "/v1/faults", "", R"({"rules":[],"seed":-1})", "", "", 400, "seed '-1': "},
      {"PUT", "/v1/faults", "", R"({"rules":["nack:every=5","drop:p=0.1"],"seed":7})", "", "", 200,
       "rules", "faults nack:every=5 drop:p=0.1 seed 7"},
      {"PUT", "/v1/faults", "", R"({"rules":["drop"],"seed":"9"})", "", "", 200, "",
       "faults drop seed 9"},
      {"DELETE", "/v1/faults", "", "", "", "", 200, "rules", "faults"},
      {"POST", "/v1/outages", "", R"({"seconds":2.5})", "", "", 200, R"("outage":4)", "outage 2.5"},
      {"POST", "/v1/outages", "", R"({"seconds":0})", "", "", 400, "seconds '0': "},
      {"POST", "/v1/outages", "", R"({"seconds":"30"})", "", "", 400, "'seconds' must be a number"},
      {"DELETE", "/v1/outages", "", "", "", "", 409, "no outage runs"},
      {"GET", "/v1/events", "after=5&limit=10", "", "", "", 200, R"({"after":5,"limit":10})"},
      {"GET", "/v1/events", "", "", "", "", 200, R"("limit":100)"},
      {"GET", "/v1/events", "limit=1001", "", "", "", 400, "limit must be a number from 1 to 1000"},
      {"GET", "/v1/events", "after=-1", "", "", "", 400, "after must be an event id"},
      {"GET", "/v1/events", "since=3", "", "", "", 400, "unknown parameter 'since'"},
      {"POST", "/v1/reset", "", "", "", "", 200, "true", "reset"},
      {"GET", "/metrics", "", "", "", "", 200, "m 1", "", "text/plain; version=0.0.4"},
  };
  for (const Row& row : rows) {
    FakeTarget target;
    target.format = row.format;
    ControlApi api(target, row.token);
    ControlRequest request{row.method, row.path, row.query, {}, row.body};
    if (!row.authorization.empty()) request.headers = {{"authorization", row.authorization}};
    const ControlResponse response = api.Handle(request);
    const std::string where =
        std::string(row.method) + " " + row.path + " " + row.body.substr(0, 60);
    EXPECT_EQ(response.status, row.status) << where << ": " << response.body;
    // An error is a JSON object whose "error" names what is wrong.
    const std::string text = response.status < 400
                                 ? response.body
                                 : Json::parse(response.body)["error"].get<std::string>();
    EXPECT_NE(text.find(row.in_body), std::string::npos) << where << ": " << text;
    EXPECT_EQ(target.call, row.call) << where;
    std::string headers = "Content-Type: " + response.content_type;
    for (const auto& [name, value] : response.headers) headers += "\n" + name + ": " + value;
    EXPECT_NE(headers.find(row.header), std::string::npos) << where << ": " << headers;
  }
}

TEST(ControlApiTest, ControlAddressesAndTheTokenBeyondLoopback) {
  struct Row {
    std::optional<std::string> address, token;
    std::string refusal, bound = {};
    bool loopback = true;
  };
  const Row rows[] = {
      {"8080", {}, "", "127.0.0.1:8080"},
      {"[::1]:0", {}, "", "[::1]:0"},
      {"localhost:9", {}, "", "127.0.0.1:9"},
      {"127.0.0.2:9", {}, "", "127.0.0.2:9"},
      {"0.0.0.0:9", {}, "--control 0.0.0.0:9: an address beyond this computer needs"},
      {"[::]:9", "t0k", "", "[::]:9", false},
      {"0.0.0.0:9", "two words", "--control-token: the token takes printable ASCII"},
      {"::1:80", {}, "--control '::1:80': an IPv6 address goes in brackets"},
      {"[1.2.3.4]:80", {}, "'1.2.3.4' is no IPv6 address"},
      {"host:80", {}, "the address must be an IPv4 address"},
      {"65536", {}, "the port must be a number from 0 to 65535"},
      {std::nullopt, "t0k", "--control-token needs --control"},
  };
  for (const Row& row : rows) {
    std::optional<ControlOptions> control;
    const std::string refusal = ReadControlOptions(row.address, row.token, control);
    const std::string where = row.address.value_or("-");
    EXPECT_EQ(row.refusal.empty(), refusal.empty()) << where << ": " << refusal;
    EXPECT_NE(refusal.find(row.refusal), std::string::npos) << where << ": " << refusal;
    if (!row.bound.empty()) {
      ASSERT_TRUE(control) << where;
      EXPECT_EQ(ControlAddressText(*control, control->port), row.bound);
      EXPECT_EQ(control->loopback, row.loopback) << row.bound;
      EXPECT_EQ(control->token, row.token.value_or(""));
    }
  }
}

}  // namespace
}  // namespace v7400
