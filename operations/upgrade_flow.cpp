#include "operations/upgrade_flow.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "operations/file_input.h"
#include "protocol/response_dispatch.h"

namespace telvaro {
namespace {

constexpr int kAccepted = 0;
constexpr int kFinished = 8;  // the loader took the packet and reports the upgrade done

bool PacketAccepted(int code) { return code == kAccepted || code == kFinished; }

// Counts one poll or one resend against the shared budget; true once the
// budget is spent (its value before counting was past the limit).
bool SpendBudget(int& budget) { return budget++ > UpgradeFlow::kRetryBudget; }

// An answer to the packet just sent is held. One that came for an earlier
// packet is put aside, so the wait goes on for this packet's own.
bool AnswerHeld(std::atomic<int>& upgradeResult, const UpgradeHooks& hooks) {
  int code = upgradeResult.load();
  if (code == ModemState::kNoAnswer) return false;
  if (!hooks.freshAnswer || hooks.freshAnswer()) return true;
  upgradeResult.compare_exchange_strong(code, ModemState::kNoAnswer);
  return false;
}

}  // namespace

int UpgradeFlow::Run(std::span<const std::uint8_t> image, FrameWriter& writer,
                     std::atomic<int>& upgradeResult, const UpgradeHooks& hooks) {
  const auto sleep = [&hooks](int ms) {
    if (hooks.sleep) {
      hooks.sleep(ms);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
  };

  const auto stopped = [&hooks] { return hooks.stop && hooks.stop(); };
  if (image.empty() || image.size() > kMaxImageSize || stopped()) return upgradeResult.load();

  const std::uint16_t total = FrameCodec::UpgradePacketTotal(image.size());
  std::uint16_t index = 1;

  // A lost write shows up later as an unanswered packet, so write results
  // are not looked at.
  FrameCodec::WriteInThreeParts(writer, command::kRebootLdrom);
  sleep(kLoaderStartMs);

  std::size_t offset = 0;
  int budget = 0;
  bool answered = false;  // the previous packet was answered, accepted or not
  while (offset < image.size() && !stopped()) {
    if (answered && hooks.packetGapMs > 0) {
      sleep(hooks.packetGapMs);
      if (stopped()) break;
    }
    if (hooks.progress) hooks.progress(total, index);

    const std::size_t d = std::min(image.size() - offset, kUpgradePacketData);
    const Bytes frame = FrameCodec::UpgradeDataFrame(image.subspan(offset, d), total, index);

    // "No answer" goes in before the frame leaves: an answer dispatched while
    // the write is still under way must not be overwritten.
    upgradeResult.store(ModemState::kNoAnswer);
    writer.Write(frame.data(), static_cast<int>(frame.size()));

    while (!AnswerHeld(upgradeResult, hooks)) {
      if (hooks.waitAnswer) {
        hooks.waitAnswer(kPollMs);
      } else {
        sleep(kPollMs);
      }
      if (SpendBudget(budget) || stopped()) break;
    }

    answered = upgradeResult.load() != ModemState::kNoAnswer;
    if (PacketAccepted(upgradeResult.load())) {
      offset += d;
      ++index;
      budget = 0;
      continue;
    }
    // Refused, or silent through the whole budget: the resend itself counts
    // too, so a modem that refuses at once cannot keep the loop going.
    if (SpendBudget(budget)) break;
  }
  if (offset < image.size() || !PacketAccepted(upgradeResult.load())) return upgradeResult.load();
  // The last packet's success may have been a duplicate of an earlier answer:
  // the loader's own answer can still come, and a failure overrules it.
  int seen = upgradeResult.load();
  int last = seen;
  for (int quiet = 0, polls = 0; quiet < kFinalQuietMs && polls <= kRetryBudget && !stopped(); ++polls) {
    sleep(kPollMs);
    const int code = upgradeResult.load();
    if (code == seen || code == ModemState::kNoAnswer) {
      quiet += kPollMs;
      continue;
    }
    seen = code;
    quiet = 0;  // a new answer: the line must be quiet again after it
    if (PacketAccepted(last) || !PacketAccepted(code)) last = code;  // a refusal stands
  }
  upgradeResult.store(last);
  return last;
}

FirmwareImage UpgradeFlow::LoadImage(const std::string& path) {
  FileReadResult read = ReadRegularFile(path, kMaxImageSize);
  FirmwareImage image;
  switch (read.status) {
    case FileReadStatus::Ok:
      image.bytes = std::move(read.bytes);
      // Nothing to send: the modem would be put into its loader for nothing.
      if (image.bytes.empty()) {
        image.message = kOpenFileFailed;
        image.detail = "the file is empty";
        image.empty = true;
      }
      break;
    case FileReadStatus::CannotOpen:
      image.message = kOpenFileFailed;
      if (read.error != 0) image.detail = std::strerror(read.error);
      break;
    case FileReadStatus::NotRegularFile:
      image.message = kOpenFileFailed;
      image.detail = "not a regular file";
      break;
    case FileReadStatus::TooLong:
      image.message = "Firmware image too large: " + std::to_string(read.size) + " bytes, the limit is " +
                      std::to_string(kMaxImageSize) + " bytes";
      break;
  }
  return image;
}

}  // namespace telvaro
