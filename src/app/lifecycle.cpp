#include "app/lifecycle.h"

namespace v7400 {

namespace {

void CreateInOrder(CreationSteps& steps) {
  steps.DiscoverLinkLocalAddress();
  steps.InitialiseLineRecords();
  steps.InstallErrorHandler();
  steps.PrepareCommandPanel();
  steps.SetProtocolDefaults();
  steps.SetTimeFormats();
  steps.CaptureWorkDir();
  steps.SetTrafficLoggingOff();
  const bool network = steps.CreateNetworkObjects();
  if (!network) steps.ShowNoNetworkInformation();
  steps.OpenConnectionAtStartup();
  if (network) steps.AttachDatagramHandler();
  steps.ResetCounts();
  steps.ResetSequenceTexts();
  steps.SetDisplayScrollExtent();
  steps.ClearClosing();
  if (steps.TakeOpenFailed()) steps.OpenSettingsDialog();
  steps.CreateCipher();
  steps.LoadPreferences();
}

}  // namespace

void RunFormCreate(CreationSteps& steps, const ErrorLog& log) noexcept {
  Guarded(log, kMainWindowName, [&] { CreateInOrder(steps); });
}

void RunShutDown(ShutdownSteps& steps, const ErrorLog& log, const std::string& component) noexcept {
  Guarded(log, component, [&] { steps.SavePreferences(); });
  Guarded(log, component, [&] { steps.CloseTrafficLog(); });
  Guarded(log, component, [&] { steps.ReleaseNetworkObjects(); });
}

}  // namespace v7400
