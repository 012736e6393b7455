#include "headless/headless_run.h"

#include <cstdio>

namespace v7400 {

int RunHeadless(int /*argc*/, char* /*argv*/[], const RunOptions& /*options*/) {
  std::fputs("v7400: --headless is not available in this build yet\n", stderr);
  return 2;
}

}  // namespace v7400
