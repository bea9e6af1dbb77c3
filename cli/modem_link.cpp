#include "cli/modem_link.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace telvaro {

ModemLink::ModemLink(PortMap ports)
    : session_(static_cast<SessionEvents&>(*this), std::move(ports)),
      dispatcher_(session_.Received(), state_, static_cast<DispatchHost&>(*this)),
      timer_(session_, dispatcher_) {}

ModemLink::~ModemLink() {
  pump_.reset();  // no dispatch into a closing session
  if (session_.IsOpen()) session_.Close();
}

bool ModemLink::Open(int com, std::string* failure) {
  opening_ = true;
  openFailure_.clear();
  const bool opened = session_.Open(com) == PortSession::kOpened;
  opening_ = false;
  if (!opened) {
    std::string line = openFailure_.empty() ? "Can't open COM" + std::to_string(com) : openFailure_;
    if (const auto lineBreak = line.find('\n'); lineBreak != std::string::npos) line.replace(lineBreak, 1, ": ");
    if (failure) *failure = line;
    return false;
  }
  if (!pump_) pump_ = std::make_unique<DispatchPump>(timer_);
  return true;
}

void ModemLink::SetTrafficTap(const TrafficTap& tap) {
  session_.SetTrafficTap(tap);
  dispatcher_.SetTrafficTap(tap);
}

void ModemLink::ShowMessage(const std::string& text) {
  if (opening_) {  // only the session speaks while opening; no dispatch runs yet
    openFailure_ = text;
    return;
  }
  // Kept, not printed: a damaged answer is told on the failure's own line.
  std::lock_guard guard(messagesLock_);
  messages_.push_back(text);
}

std::vector<std::string> ModemLink::Messages() const {
  std::lock_guard guard(messagesLock_);
  return messages_;
}

bool ModemLink::AwaitResponse(std::uint64_t epoch) {
  // Woken by the accepted answer; the limit stays 40 waits of 100 ms. Only an
  // answer received after this frame went out counts.
  const auto answered = [this, epoch] {
    return state_.responseReceived.load(std::memory_order_acquire) &&
           state_.answerEpoch.load(std::memory_order_acquire) == epoch;
  };
  for (int poll = 0; poll < session_.ResponseWaitLimit(); ++poll) {
    if (state_.WaitForAnswer(100, answered)) return true;
    if (session_.Disconnected()) return false;  // no answer can come now
  }
  return false;
}

bool ModemLink::Exchange(const Bytes& frame, std::string_view word) {
  failure_.clear();
  const std::size_t messagesBefore = Messages().size();
  state_.responseReceived.store(false, std::memory_order_release);
  if (const int sent = session_.Write(frame); sent != 0) {
    failure_ = session_.WriteFailureText(sent);
    return false;
  }
  if (AwaitResponse(session_.FrameEpoch())) return true;
  if (session_.Disconnected()) {
    failure_ = "device disconnected";
    return false;
  }
  failure_ = "the modem did not answer \"" + std::string(word) + "\"";
  // "bad chksum" and "did not answer" are one event: the answer came, damaged.
  const std::vector<std::string> messages = Messages();
  if (messages.size() > messagesBefore)
    failure_ = "the modem's answer to \"" + std::string(word) + "\" was damaged on the line (" + messages.back() + ")";
  return false;
}

bool ModemLink::Read() { return Exchange(FrameCodec::GetSysParaFrame(), command::kGetSysPara); }

bool ModemLink::Write(const ConfigRecord& record) {
  ConfigRecord toSend = record;
  return Exchange(FrameCodec::SetSysParaFrame(toSend), command::kSetSysPara);
}

bool ModemLink::Reboot() {
  failure_.clear();
  if (const int sent = FrameCodec::WriteInThreeParts(session_, command::kReboot); sent != 0) {
    failure_ = session_.WriteFailureText(sent);
    return false;
  }
  return true;
}

int ModemLink::Upgrade(std::span<const std::uint8_t> image, const UpgradeHooks& hooks) {
  UpgradeHooks withStop = hooks;
  withStop.stop = [this, &hooks] { return session_.Disconnected() || (hooks.stop && hooks.stop()); };
  if (!withStop.sleep) {
    // The loader's 3 s start is slept in slices, so a vanished device ends
    // the command at once rather than after the wait.
    withStop.sleep = [this](int ms) {
      for (int slept = 0; slept < ms && !session_.Disconnected(); slept += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10, ms - slept)));
    };
  }
  if (!withStop.waitAnswer) {
    withStop.waitAnswer = [this](int ms) {
      state_.WaitForAnswer(ms, [this] { return state_.upgradeResult.load() != ModemState::kNoAnswer; });
    };
  }
  if (!withStop.freshAnswer) {
    withStop.freshAnswer = [this] { return state_.answerEpoch.load() == session_.FrameEpoch(); };
  }
  return UpgradeFlow::Run(image, session_, state_.upgradeResult, withStop);
}

}  // namespace telvaro
