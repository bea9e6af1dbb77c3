#include "operations/modem_client.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace telvaro {

ModemClient::ModemClient(PortMap ports, ModemEvents* events, PortSession::DeviceFactory makeDevice)
    : events_(events),
      session_(static_cast<SessionEvents&>(*this), std::move(ports), std::move(makeDevice)),
      dispatcher_(session_.Received(), state_, static_cast<DispatchHost&>(*this)),
      timer_(session_, dispatcher_),
      pump_(std::make_unique<DispatchPump>(timer_)),
      wait_([this](int ms, const std::function<bool()>& answered) { return state_.WaitForAnswer(ms, answered); }) {}

ModemClient::~ModemClient() {
  pump_.reset();  // no dispatch into a closing session
  Close();
}

Result<void> ModemClient::Open(int com) {
  openingThread_ = std::this_thread::get_id();
  opening_ = true;
  openFailure_.clear();
  const bool opened = session_.Open(com) == PortSession::kOpened;
  opening_ = false;
  if (!opened) {
    Failure failure{FailureKind::Port, "Can't open COM" + std::to_string(com), ""};
    if (!openFailure_.empty()) {
      const auto lineBreak = openFailure_.find('\n');
      failure.message = openFailure_.substr(0, lineBreak);
      if (lineBreak != std::string::npos) failure.reason = openFailure_.substr(lineBreak + 1);
    }
    return failure;
  }
  return {};
}

void ModemClient::Close() {
  if (session_.IsOpen()) session_.Close();
}

void ModemClient::SetTrafficTap(const TrafficTap& tap) {
  session_.SetTrafficTap(tap);
  dispatcher_.SetTrafficTap(tap);
}

void ModemClient::ShowMessage(const std::string& text) {
  if (opening_ && std::this_thread::get_id() == openingThread_) {
    openFailure_ = text;
    return;
  }
  {
    std::lock_guard guard(messagesLock_);
    messages_.push_back(text);
  }
  if (events_) events_->DispatchMessage(text);
}

void ModemClient::ShowRecordOnPages(const ConfigRecord& record) {
  if (events_) events_->RecordAccepted(record);
}

void ModemClient::PortStateChanged(bool open) {
  if (events_) events_->PortStateChanged(open);
}

void ModemClient::DeviceDisconnected() {
  if (events_) events_->DeviceDisconnected();
}

std::vector<std::string> ModemClient::Messages() const {
  std::lock_guard guard(messagesLock_);
  return messages_;
}

ModemClient::Answer ModemClient::AwaitAnswer(std::uint64_t epoch, unsigned opens) {
  const std::function<bool()> answered = [this, epoch] {
    return state_.responseReceived.load(std::memory_order_acquire) &&
           state_.answerEpoch.load(std::memory_order_acquire) == epoch;
  };
  const int limit = session_.ResponseWaitLimit();
  for (int polls = 0; !answered();) {
    // Closed, gone or reopened since the frame went out: no answer to it can
    // come now.
    if (!session_.ReaderRunning() || session_.OpenCount() != opens) return Answer::Abandoned;
    if (polls > limit) return Answer::None;
    ++polls;
    wait_(kPollMs, answered);
  }
  return Answer::Received;
}

Failure ModemClient::LineFailure(int sent) const {
  // A device that went while the frame was going out is told by its kind;
  // the words stay those of the frame that did not go out.
  return {session_.Disconnected() ? FailureKind::Disconnected : FailureKind::Line, session_.WriteFailureText(sent), ""};
}

Result<ConfigRecord> ModemClient::Exchange(const Bytes& frame, std::string_view word,
                                           std::optional<unsigned> opening) {
  const std::size_t messagesBefore = Messages().size();
  const unsigned opens = opening.value_or(session_.OpenCount());
  state_.responseReceived.store(false, std::memory_order_release);
  if (const int sent = session_.Write(frame); sent != 0) return LineFailure(sent);
  switch (AwaitAnswer(session_.FrameEpoch(), opens)) {
    case Answer::Received:
      return state_.RecordCopy();
    case Answer::Abandoned:
      if (session_.Disconnected()) return Failure{FailureKind::Disconnected, session_.DisconnectedText(), ""};
      return Failure{FailureKind::Cancelled, "the port was closed", ""};
    case Answer::None:
      break;
  }
  if (session_.Disconnected()) return Failure{FailureKind::Disconnected, session_.DisconnectedText(), ""};
  // "bad chksum" and "did not answer" are one event: the answer came, damaged.
  const std::vector<std::string> messages = Messages();
  if (messages.size() > messagesBefore)
    return Failure{FailureKind::Damaged,
                   "the modem's answer to \"" + std::string(word) + "\" was damaged on the line (" + messages.back() + ")",
                   ""};
  return Failure{FailureKind::NoAnswer, "the modem did not answer \"" + std::string(word) + "\"", ""};
}

Result<ConfigRecord> ModemClient::Read(std::optional<unsigned> opening) {
  return Exchange(FrameCodec::GetSysParaFrame(), command::kGetSysPara, opening);
}

Result<ConfigRecord> ModemClient::Write(const ConfigRecord& record, std::optional<unsigned> opening) {
  ConfigRecord toSend = record;  // the checksum goes into the copy's slot
  return Exchange(FrameCodec::SetSysParaFrame(toSend), command::kSetSysPara, opening);
}

Result<ConfigRecord> ModemClient::WriteAndReadBack(const ConfigRecord& record) {
  if (Result<ConfigRecord> echo = Write(record); !echo) return echo;
  Result<ConfigRecord> readBack = Read();
  if (readBack) return readBack;
  Failure failure = readBack.failure();
  failure.message += " when reading back what was written";
  return failure;
}

Result<void> ModemClient::Reboot() {
  if (const int sent = FrameCodec::WriteInThreeParts(session_, command::kReboot); sent != 0) return LineFailure(sent);
  return {};
}

Result<int> ModemClient::Upgrade(std::span<const std::uint8_t> image, const UpgradeHooks& hooks) {
  UpgradeHooks withStop = hooks;
  withStop.stop = [this, &hooks] { return session_.Disconnected() || (hooks.stop && hooks.stop()); };
  if (!withStop.sleep) {
    // The loader's 3 s start is slept in slices, so a vanished device or the
    // owner's stop ends the upgrade at once rather than after the wait.
    withStop.sleep = [&withStop](int ms) {
      for (int slept = 0; slept < ms && !withStop.stop(); slept += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10, ms - slept)));
    };
  }
  if (!withStop.waitAnswer && !hooks.sleep) {
    withStop.waitAnswer = [this](int ms) {
      state_.WaitForAnswer(ms, [this] { return state_.upgradeResult.load() != ModemState::kNoAnswer; });
    };
  }
  if (!withStop.freshAnswer) {
    withStop.freshAnswer = [this] { return state_.answerEpoch.load() == session_.FrameEpoch(); };
  }
  const int code = UpgradeFlow::Run(image, session_, state_.upgradeResult, withStop);
  lastUpgradeCode_.store(code);
  if (session_.Disconnected()) return Failure{FailureKind::Disconnected, session_.DisconnectedText(), ""};
  if (code == 0 || code == 8) return code;
  const FailureKind kind = code == ModemState::kNoAnswer ? FailureKind::NoAnswer : FailureKind::Refused;
  return Failure{kind, std::string(UpgradeStatusText(code)), ""};
}

std::vector<Result<ConfigRecord>> DetectModems(const std::vector<int>& coms, const PortMap& ports,
                                               const std::function<TrafficTap(std::size_t)>& tapFor) {
  std::vector<Result<ConfigRecord>> found(coms.size(), Failure{FailureKind::NoAnswer, "not asked", ""});
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < coms.size(); ++i) {
    threads.emplace_back([&, i] {
      ModemClient modem(ports);
      if (tapFor) modem.SetTrafficTap(tapFor(i));
      if (Result<void> opened = modem.Open(coms[i]); !opened) {
        found[i] = opened.failure();
        return;
      }
      found[i] = modem.Read();
    });
  }
  for (std::thread& t : threads) t.join();
  return found;
}

}  // namespace telvaro
