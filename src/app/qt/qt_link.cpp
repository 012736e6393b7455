#include "app/qt/qt_link.h"

namespace v7400 {

std::unique_ptr<QtLink> MakeQtLink(SimulatorState& state, DisplayView& view, Prompts& prompts,
                                   const std::string& settings_path) {
  return std::make_unique<QtLink>(state, view, prompts, settings_path);
}

}  // namespace v7400
