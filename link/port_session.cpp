#include "link/port_session.h"

#include <algorithm>
#include <array>
#include <chrono>

namespace telvaro {

PortSession::PortSession(SessionEvents& events, PortMap ports, DeviceFactory makeDevice)
    : events_(events), ports_(std::move(ports)), device_(makeDevice()) {}

PortSession::~PortSession() {
  if (IsOpen()) {
    Close();
  } else {
    StopReader();
  }
}

int PortSession::Open(int com) {
  if (IsOpen()) Close();
  StopReader();  // never two readers appending to the buffer

  const auto path = ports_.PathFor(com);
  bool opened = false;
  {
    std::lock_guard guard(portLock_);
    opened = path && device_->Open(*path);
    if (opened) device_->Configure();
  }
  if (!opened) {
    // The first line is the one operators know; the second says which device
    // and why, when there is a device to name.
    std::string text = "Can't open COM" + std::to_string(com);
    if (path) {
      const std::string reason = device_->OpenFailureReason();
      text += "\n" + *path + (reason.empty() ? "" : ": " + reason);
    }
    events_.ShowMessage(text);
    return kOpenFailed;
  }
  disconnected_.store(false, std::memory_order_release);
  openCount_.fetch_add(1, std::memory_order_acq_rel);
  responseWaitLimit_.store(kResponseWaitLimit, std::memory_order_release);
  lineDescription_ = "115200,n,8,1";

  portOpen_.store(true, std::memory_order_release);
  events_.PortStateChanged(true);

  readerRun_.store(true, std::memory_order_release);
  liveReaders_.fetch_add(1, std::memory_order_acq_rel);
  reader_ = std::thread(&PortSession::ReaderLoop, this);
  return kOpened;
}

int PortSession::Close() {
  readerRun_.store(false, std::memory_order_release);
  device_->InterruptWait();
  {
    std::lock_guard guard(portLock_);
    device_->Close();
  }
  StopReader();
  portOpen_.store(false, std::memory_order_release);
  events_.PortStateChanged(false);
  return kClosed;
}

int PortSession::Toggle(int com) {
  if (IsOpen()) return Close();
  rememberedPort_ = com;
  return Open(com);
}

void PortSession::StopReader() {
  readerRun_.store(false, std::memory_order_release);
  device_->InterruptWait();
  {
    std::lock_guard guard(wakeLock_);
  }
  wake_.notify_all();
  if (reader_.joinable()) reader_.join();
}

void PortSession::ReaderSleep(int ms) {
  std::unique_lock lock(wakeLock_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms),
                 [this] { return !readerRun_.load(std::memory_order_acquire); });
}

void PortSession::ReaderLoop() {
  std::array<std::uint8_t, ReceiveBuffer::kCapacity> staging{};
  while (readerRun_.load(std::memory_order_acquire)) {
    long n = 0;
    {
      // The chunk is appended before the lock goes: a frame that starts
      // afterwards empties the buffer of it, and none slips in behind.
      std::lock_guard guard(portLock_);
      if (!device_->IsOpen()) break;
      // Only as many bytes as the buffer still takes are read; the rest wait
      // in the driver's queue for dispatch to empty it. A modem that repeats
      // its answer at once sends two whole answers (3302 bytes) in one go: a
      // read of all that is waiting would be dropped whole, the good first
      // answer with it. Only with the buffer full is a chunk read to be
      // dropped, so a flood still keeps the line from counting as silent.
      const std::size_t room = received_.Room();
      n = device_->Read(staging.data(), room > 0 ? room : staging.size());
      if (n > 0) {
        // A chunk that would fill the buffer is dropped whole; either way the
        // line was not silent. The time is set before the bytes become
        // visible, so dispatch never sees new bytes with an old quiet time.
        lastReceived_.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
        received_.Append(staging.data(), static_cast<std::size_t>(n));
        lastReceived_.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
      }
    }
    if (n == kReadDeviceGone) {
      // Reading on would only fail every 200 ms for ever. Clearing the run
      // flag ends the operation waits at once; the owner closes the port.
      disconnected_.store(true, std::memory_order_release);
      readerRun_.store(false, std::memory_order_release);
      events_.DeviceDisconnected();
      break;
    } else if (n < 0) {
      ReaderSleep(kFailedReadSleepMs);
    } else if (n == 0) {
      // Woken by the next byte, not by a clock: an idle port costs one
      // wake-up per kIdleWaitMs.
      if (device_->CanWaitForInput()) {
        device_->WaitForInput(kIdleWaitMs);
      } else {
        ReaderSleep(kIdleSleepMs);
      }
    } else {
      std::lock_guard guard(notifyLock_);
      if (notify_) notify_();
    }
  }
  liveReaders_.fetch_sub(1, std::memory_order_acq_rel);
}

std::chrono::milliseconds PortSession::FrameDeadline(int count) {
  constexpr int kWireTimes = 4;
  const auto wire = kWireTimePerByte * static_cast<long long>(count < 0 ? 0 : count) * kWireTimes;
  return std::chrono::ceil<std::chrono::milliseconds>(wire) + std::chrono::seconds(1);
}

std::string PortSession::WriteFailureText(int result) const {
  if (result == kWriteStalled) return "the line does not take data";
  if (Disconnected() || !IsOpen() || !device_->GoneReason().empty()) return DisconnectedText();
  return "the port refused the data";
}

std::string PortSession::DisconnectedText() const {
  const std::string reason = device_->GoneReason();
  return reason.empty() ? "device disconnected" : "device disconnected (" + reason + ")";
}

int PortSession::Write(const std::uint8_t* bytes, int count) {
  // Shown before it goes out, outside the port lock (the tap may write a
  // file): a trace then never lists an answer before the frame it answers.
  TrafficTap tap;
  {
    std::lock_guard guard(notifyLock_);
    tap = tap_;
  }
  if (tap && count > 0 && IsOpen()) tap(TrafficDirection::Sent, std::span(bytes, static_cast<std::size_t>(count)));
  std::lock_guard guard(portLock_);
  if (!device_->IsOpen()) return kWriteFailed;
  device_->ClearLineError();
  if (count <= 0) return 0;
  received_.StartFrame();
  const auto deadline = Clock::now() + FrameDeadline(count);
  const auto msLeft = [&deadline] {
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
  };
  for (int i = 0; i < count; ++i) {
    if (device_->Gone()) return kWriteFailed;
    // Whatever came while the frame went out answers something older; the
    // modem cannot answer this frame before it has the last byte.
    if (i == count - 1) device_->DiscardInput();
    const int left = msLeft();
    if (left <= 0) return kWriteStalled;
    // A byte the port does not take in time is given up; the next one is
    // still offered while the frame's deadline allows.
    if (device_->WriteByteWithin(bytes[i], std::min(left, kByteWriteTimeoutMs)) == ByteWrite::Failed)
      return kWriteFailed;
  }
  // Bytes still queued in the driver reach the modem only after their wire
  // time; an answer that arrives before that cannot be this frame's.
  if (const long queued = device_->OutputQueued(); queued > 0) {
    const auto onWire = std::min(std::chrono::duration_cast<Clock::duration>(kWireTimePerByte * queued),
                                 std::chrono::duration_cast<Clock::duration>(deadline - Clock::now()));
    if (onWire > Clock::duration::zero()) std::this_thread::sleep_for(onWire);
    device_->DiscardInput();
  }
  return 0;
}

}  // namespace telvaro
