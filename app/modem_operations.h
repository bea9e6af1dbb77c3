// The window's one link to the modem: a ModemClient whose dispatch runs on
// its own pump, and the Read and Write that run on a worker. What the window
// must hear comes as signals: an accepted record, a message dispatch raised
// and a vanished device queued to the window thread, the end of an operation
// handed over and waited for (the worker stays until the window has shown
// its box), so the pages are shown before any success box.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <optional>

#include "app/worker_threads.h"
#include "operations/modem_client.h"

namespace telvaro {

inline constexpr const char* kOperationSucceeded = "Operation succeed!";
inline constexpr const char* kWriteSucceeded = "       Operation succeed!\nReboot for changes to take effect";
inline constexpr const char* kOperationTimedOut = "Failed: timeout";
inline constexpr const char* kPortNotOpen = "Failed:Comm is not opened";

class ModemOperations : public QObject, private ModemEvents {
  Q_OBJECT

 public:
  enum Outcome {
    Succeeded,  // the answer came while the port stayed as it was
    TimedOut,   // no acceptable answer within the wait
    Abandoned,  // the port was closed, went or was reopened: nothing to say
    NotSent,    // the frame did not go out; the text says why
    NotKept,    // written, but the record read back lacks settings; the text names their keys
  };

  ModemOperations(PortMap ports, WorkerThreads& workers, QObject* parent);
  ~ModemOperations() override;

  ModemClient& Client() { return client_; }

  // Sends "get_syspara", or `toWrite` with "set_syspara", on a worker and
  // waits there for the answer; finished() tells how it ended. A Write is
  // verified as telvaro-cli's is: after the echo the record is read back and
  // compared, setting by setting. `generation` comes back with it, so the
  // window can tell the newest wait.
  void Start(std::optional<ConfigRecord> toWrite, unsigned generation);
  // The monitor's poll: a "get_syspara" on a worker whose answer comes as
  // statusPolled, never as recordAccepted, so it reaches only what shows the
  // modem's live status; pollFinished says how it ended ("" when answered).
  // An answer that comes late is still the poll's until the next Start.
  void StartPoll();
  // Answers from now until the next Start go out as statusPolled: the
  // upgrade's own Reads show the modem's status, never replace the pages.
  void AnswersToStatus() { polled_.store(true); }

 signals:
  void recordAccepted(const telvaro::ConfigRecord& record);
  void messageRaised(const QString& text);
  void portStateChanged(bool open);
  void deviceDisconnected(unsigned openCount);
  void finished(int outcome, const QString& text, unsigned generation);
  void statusPolled(const telvaro::ConfigRecord& record);
  void pollFinished(const QString& failure);

 private:
  void DispatchMessage(const std::string& text) override;
  void RecordAccepted(const ConfigRecord& record) override;
  void PortStateChanged(bool open) override;
  void DeviceDisconnected() override;

  WorkerThreads& workers_;
  ModemClient client_;
  std::atomic<bool> polled_{false};  // answers go to the monitor
};

}  // namespace telvaro

Q_DECLARE_METATYPE(telvaro::ConfigRecord)
