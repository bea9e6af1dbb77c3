// The tool's one connection to the modem: a serial port opened by COM number
// with fixed line settings, a reader thread that drains it into the
// ReceiveBuffer, and a writer that sends one whole frame at a time under the
// port lock.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/port_map.h"
#include "base/receive_buffer.h"
#include "link/serial_device.h"
#include "base/session_events.h"
#include "base/traffic_tap.h"
#include "base/bytes.h"

namespace telvaro {

class PortSession final : public FrameWriter {
 public:
  using DeviceFactory = std::function<std::unique_ptr<SerialDevice>()>;

  static constexpr int kResponseWaitLimit = 40;  // polls of 100 ms
  // After a read that returned nothing: the longest wait for input on a
  // device that can wait for it, the sleep on one that cannot.
  static constexpr int kIdleWaitMs = 1000;
  static constexpr int kIdleSleepMs = 100;
  static constexpr int kFailedReadSleepMs = 200;  // after a read call that failed

  // Results of the switch button's toggle.
  static constexpr int kOpenFailed = 0;
  static constexpr int kOpened = 1;
  static constexpr int kClosed = 2;

  explicit PortSession(SessionEvents& events, PortMap ports = {},
                       DeviceFactory makeDevice = SerialDevice::Create);
  ~PortSession() override;  // stops the reader and closes the port
  PortSession(const PortSession&) = delete;
  PortSession& operator=(const PortSession&) = delete;

  // Opens COM `com`; 1 on success, 0 after "Can't open COM%d" (with a second
  // line "<device path>: <reason>" when COM `com` names a device). Opening an
  // open session closes it first.
  int Open(int com);
  // Stops the reader (waiting for its current read call at most) and closes
  // the device. Returns 2.
  int Close();
  // The switch button: remembers `com` and opens, or closes when open.
  int Toggle(int com);

  // Results of Write besides 0.
  static constexpr int kWriteFailed = -1;   // a write call failed, the device went, or the port is closed
  static constexpr int kWriteStalled = kFrameStalled;  // the line stopped taking bytes before the frame's deadline

  // Sends `count` bytes in order, one byte per write call, under the port
  // lock. 0 when all were handed to the port (or count <= 0), else one of the
  // failures above. Callable from any thread.
  //
  // A frame has one deadline, a few times its wire time plus a second: a line
  // held by flow control or a stuck driver ends it with kWriteStalled instead
  // of 700 ms per byte. A byte the port does not take in time is still given
  // up and the next one offered, within that deadline.
  //
  // Nothing received before the frame reached the modem can be its answer:
  // the receive buffer is emptied as the frame starts (a new epoch), what the
  // device received while it went out is thrown away before its last byte,
  // and again once the bytes still queued in the driver have had their wire
  // time. So a late duplicate of an earlier answer is never taken for the
  // answer to this frame.
  int Write(const std::uint8_t* bytes, int count) override;
  // The operator's words for a failed Write: "the line does not take data"...
  std::string WriteFailureText(int result) const;
  // "device disconnected", with the device's reason when it gives one
  // ("device disconnected (the server closed the connection)").
  std::string DisconnectedText() const;
  // Counts the frames started; an answer taken from a snapshot of an earlier
  // epoch belongs to an earlier frame.
  std::uint64_t FrameEpoch() const { return received_.Epoch(); }
  // The deadline Write gives a frame of `count` bytes.
  static std::chrono::milliseconds FrameDeadline(int count);
  int Write(const Bytes& frame) { return Write(frame.data(), static_cast<int>(frame.size())); }

  bool IsOpen() const { return portOpen_.load(std::memory_order_acquire); }
  bool ReaderRunning() const { return readerRun_.load(std::memory_order_acquire); }
  // True from the moment the reader found the device gone until the next open.
  bool Disconnected() const { return disconnected_.load(std::memory_order_acquire); }
  // Counts the opens: a wait or a notice that belongs to an earlier open can
  // tell it is stale.
  unsigned OpenCount() const { return openCount_.load(std::memory_order_acquire); }
  int RememberedPort() const { return rememberedPort_; }
  void SetRememberedPort(int com) { rememberedPort_ = com; }
  // "9600,N,8,1" before any open, "115200,n,8,1" once a port has been opened.
  const std::string& LineDescription() const { return lineDescription_; }
  int ResponseWaitLimit() const { return responseWaitLimit_.load(std::memory_order_acquire); }

  ReceiveBuffer& Received() { return received_; }
  using Clock = std::chrono::steady_clock;
  // When the reader last received bytes (kept or dropped); set before the
  // bytes become visible in the buffer, so a fresh byte never goes with an
  // old time.
  Clock::time_point LastReceived() const {
    return Clock::time_point(Clock::duration(lastReceived_.load(std::memory_order_acquire)));
  }
  // Called on the reader thread after every received chunk; whoever
  // dispatches is woken by it. Settable from any thread; empty for none.
  void SetReceiveNotifier(std::function<void()> notify) {
    std::lock_guard guard(notifyLock_);
    notify_ = std::move(notify);
  }

  // Shown every frame Write is given while the port is open, as it starts
  // sending it; empty for none.
  // Settable from any thread.
  void SetTrafficTap(TrafficTap tap) {
    std::lock_guard guard(notifyLock_);
    tap_ = std::move(tap);
  }

  const PortMap& Ports() const { return ports_; }
  PortMap& Ports() { return ports_; }

  // Number of reader threads alive right now (0 or 1); for checks.
  int LiveReaders() const { return liveReaders_.load(std::memory_order_acquire); }

 private:
  void ReaderLoop();
  void StopReader();
  // Sleeps up to `ms`, returning early when the reader is told to stop.
  void ReaderSleep(int ms);

  SessionEvents& events_;
  PortMap ports_;
  std::unique_ptr<SerialDevice> device_;

  std::string lineDescription_ = "9600,N,8,1";
  int rememberedPort_ = 1;
  std::atomic<bool> portOpen_{false};
  std::atomic<bool> readerRun_{false};
  std::atomic<Clock::rep> lastReceived_{0};
  std::atomic<int> responseWaitLimit_{kResponseWaitLimit};
  std::atomic<int> liveReaders_{0};
  std::atomic<bool> disconnected_{false};
  std::atomic<unsigned> openCount_{0};

  ReceiveBuffer received_;
  std::mutex portLock_;  // one read call, or one whole frame write
  std::thread reader_;
  std::mutex wakeLock_;
  std::condition_variable wake_;
  std::mutex notifyLock_;
  std::function<void()> notify_;
  TrafficTap tap_;
};

}  // namespace telvaro
