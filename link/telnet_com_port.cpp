#include "link/telnet_com_port.h"

namespace telvaro {
namespace {

void Sub(std::vector<std::uint8_t>& out, std::uint8_t command, const std::vector<std::uint8_t>& value) {
  out.insert(out.end(), {TelnetComPort::kIac, TelnetComPort::kSb, TelnetComPort::kComPort, command});
  TelnetComPort::Escape(value.data(), value.size(), out);
  out.insert(out.end(), {TelnetComPort::kIac, TelnetComPort::kSe});
}

}  // namespace

std::vector<std::uint8_t> TelnetComPort::Opening(std::uint32_t baud) {
  std::vector<std::uint8_t> out;
  for (const std::uint8_t option : {kComPort, kBinary, kSuppressGoAhead}) {
    local_[option] = true;
    out.insert(out.end(), {kIac, kWill, option});
  }
  for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
    remote_[option] = true;
    out.insert(out.end(), {kIac, kDo, option});
  }
  Sub(out, kSetBaudRate,
      {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
       static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)});
  Sub(out, kSetDataSize, {8});
  Sub(out, kSetParity, {kParityNone});
  Sub(out, kSetStopSize, {kOneStopBit});
  Sub(out, kSetControl, {kNoFlowControl});
  Sub(out, kSetControl, {kDtrOff});
  Sub(out, kPurgeData, {kPurgeBoth});
  return out;
}

std::vector<std::uint8_t> TelnetComPort::Purge(std::uint8_t which) {
  std::vector<std::uint8_t> out;
  Sub(out, kPurgeData, {which});
  return out;
}

void TelnetComPort::Escape(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& out) {
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back(bytes[i]);
    if (bytes[i] == kIac) out.push_back(kIac);
  }
}

void TelnetComPort::Feed(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& data,
                         std::vector<std::uint8_t>& reply) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t b = bytes[i];
    switch (state_) {
      case State::Data:
        if (b == kIac) {
          state_ = State::Iac;
        } else {
          data.push_back(b);
        }
        break;
      case State::Iac:
        if (b == kIac) {
          data.push_back(kIac);
          state_ = State::Data;
        } else if (b >= kWill && b <= kDont) {
          verb_ = b;
          state_ = State::Option;
        } else if (b == kSb) {
          sub_.clear();
          state_ = State::Sub;
        } else {
          state_ = State::Data;  // NOP, go-ahead, break...: nothing for a serial line
        }
        break;
      case State::Option:
        Negotiate(verb_, b, reply);
        state_ = State::Data;
        break;
      case State::Sub:
        if (b == kIac) {
          state_ = State::SubIac;
        } else if (sub_.size() < kSubLimit) {
          sub_.push_back(b);
        }
        break;
      case State::SubIac:
        if (b == kSe) {
          SubnegotiationEnded();
          state_ = State::Data;
        } else {
          // IAC IAC is a 0xFF of the subnegotiation; anything else ends a
          // malformed one, taken as ended.
          if (b == kIac && sub_.size() < kSubLimit) sub_.push_back(kIac);
          state_ = b == kIac ? State::Sub : State::Data;
          if (b != kIac) SubnegotiationEnded();
        }
        break;
    }
  }
}

void TelnetComPort::Negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& reply) {
  auto answer = [&reply, option](std::uint8_t v) { reply.insert(reply.end(), {kIac, v, option}); };
  switch (verb) {
    case kDo:
      if (!WeOffer(option)) {
        answer(kWont);
      } else if (!local_[option]) {
        local_[option] = true;
        answer(kWill);
      }
      break;
    case kDont:
      if (local_[option]) {
        local_[option] = false;
        answer(kWont);
      }
      break;
    case kWill:
      if (!WeAccept(option)) {
        answer(kDont);
      } else if (!remote_[option]) {
        remote_[option] = true;
        answer(kDo);
      }
      break;
    case kWont:
      if (remote_[option]) {
        remote_[option] = false;
        answer(kDont);
      }
      break;
    default:
      break;
  }
}

void TelnetComPort::SubnegotiationEnded() {
  if (sub_.size() == 6 && sub_[0] == kComPort && sub_[1] == kSetBaudRate + kServerOffset) {
    serverBaud_ = (std::uint32_t{sub_[2]} << 24) | (std::uint32_t{sub_[3]} << 16) | (std::uint32_t{sub_[4]} << 8) |
                  std::uint32_t{sub_[5]};
  }
  sub_.clear();
}

}  // namespace telvaro
