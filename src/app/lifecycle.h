// The fixed order in which the main window brings the simulator up and takes it down.
#pragma once

#include <string>

#include "app/error_log.h"

namespace v7400 {

inline constexpr char kMainWindowName[] = "Form1";
inline constexpr char kExitQuestion[] = "Do you wish to exit the V7400 Automation Simulator?";
inline constexpr char kSessionEndQuestion[] =
    "V7400 is running ,if you exit the Windows,the V7400 will also be terminated, do you wish to "
    "continue?";
inline constexpr char kNoNetworkInformation[] =
    "Either your TCP/IP network has not been installed or correctly installed, so the "
    "communication with V9100 throught TCP/IP network will be unavailable.";

// The creation steps, in the order RunFormCreate calls them. Later steps rely on earlier ones:
// the cipher gets the key read with the settings file, and the preferences come last so they
// override the design defaults.
class CreationSteps {
 public:
  virtual ~CreationSteps() = default;
  virtual void DiscoverLinkLocalAddress() = 0;  // 1
  virtual void InitialiseLineRecords() = 0;     // 2
  virtual void InstallErrorHandler() = 0;       // 3
  virtual void PrepareCommandPanel() = 0;       // 4
  virtual void SetProtocolDefaults() = 0;       // 5
  virtual void SetTimeFormats() = 0;            // 6
  virtual void CaptureWorkDir() = 0;            // 7
  virtual void SetTrafficLoggingOff() = 0;      // 8
  virtual bool CreateNetworkObjects() = 0;      // 9: false when networking is unavailable
  virtual void ShowNoNetworkInformation() = 0;  // 9, on failure
  virtual void OpenConnectionAtStartup() = 0;   // 10
  virtual void AttachDatagramHandler() = 0;     // 11, only when 9 succeeded
  virtual void ResetCounts() = 0;               // 12
  virtual void ResetSequenceTexts() = 0;        // 13
  virtual void SetDisplayScrollExtent() = 0;    // 14
  virtual void ClearClosing() = 0;              // 15
  virtual bool TakeOpenFailed() = 0;            // 16: OpenFailed or no settings file; clears
  virtual void OpenSettingsDialog() = 0;        // 16, when either holds
  virtual void CreateCipher() = 0;              // 17
  virtual void LoadPreferences() = 0;           // 18
};

// Runs the creation steps. An error in any step lands in the error log under "Form1" and skips
// the remaining steps; the window still opens.
void RunFormCreate(CreationSteps& steps, const ErrorLog& log) noexcept;

class ShutdownSteps {
 public:
  virtual ~ShutdownSteps() = default;
  virtual void SavePreferences() = 0;
  virtual void CloseTrafficLog() = 0;  // totals line and close, when logging is on
  virtual void ReleaseNetworkObjects() = 0;
};

// Saves the preferences, closes the traffic log and releases the network objects. A failure of
// one step is logged under `component` and the later steps still run, so a failed save can
// neither lose the log's totals line nor keep the program from ending.
void RunShutDown(ShutdownSteps& steps, const ErrorLog& log, const std::string& component) noexcept;

}  // namespace v7400
