// The Telnet side of an RFC 2217 connection: serial bytes in Telnet framing
// both ways (0xFF doubled), the option negotiation a server starts, and the
// COM-PORT-OPTION requests that set the server's line. Pure bytes in, bytes
// out; the network device does the I/O.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace telvaro {

class TelnetComPort {
 public:
  static constexpr std::uint8_t kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250, kSe = 240;
  static constexpr std::uint8_t kBinary = 0, kSuppressGoAhead = 3, kComPort = 44;
  // COM-PORT-OPTION commands, client to server; the server answers each with
  // the same command plus 100.
  static constexpr std::uint8_t kSetBaudRate = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4,
                                kSetControl = 5, kPurgeData = 12;
  static constexpr std::uint8_t kServerOffset = 100;
  static constexpr std::uint8_t kParityNone = 1, kOneStopBit = 1, kNoFlowControl = 1, kDtrOff = 9;
  static constexpr std::uint8_t kPurgeReceive = 1, kPurgeBoth = 3;

  // What to send when the connection opens: the options this end uses
  // (binary both ways, no go-ahead, COM-PORT-OPTION) and the line settings
  // 115200,n,8,1 without flow control, DTR off, then the purge of both of the
  // server's buffers. Nothing here waits for an answer: a server in front of a
  // pseudo-terminal acknowledges no modem-line control.
  std::vector<std::uint8_t> Opening(std::uint32_t baud);
  // The purge of the server's buffers (kPurgeReceive or kPurgeBoth).
  static std::vector<std::uint8_t> Purge(std::uint8_t which);

  // Serial bytes as they go on the connection: every 0xFF doubled.
  static void Escape(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& out);

  // Takes bytes received from the server: the serial bytes among them go to
  // `data`, the answers to the server's negotiation to `reply`. A command may
  // be split over calls.
  void Feed(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& data,
            std::vector<std::uint8_t>& reply);

  // The line speed the server last reported having set, if it did.
  std::optional<std::uint32_t> ServerBaudRate() const { return serverBaud_; }

 private:
  enum class State { Data, Iac, Option, Sub, SubIac };
  static constexpr std::size_t kSubLimit = 64;  // longer subnegotiations are cut; none we read is that long

  void Negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& reply);
  void SubnegotiationEnded();
  static bool WeOffer(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
  }
  static bool WeAccept(std::uint8_t option) { return option == kBinary || option == kSuppressGoAhead; }

  State state_ = State::Data;
  std::uint8_t verb_ = 0;
  std::vector<std::uint8_t> sub_;
  // An option's state changes only on a request for the other state, and each
  // change is answered once: two ends cannot loop on the same option.
  std::array<bool, 256> local_{};   // this end WILL
  std::array<bool, 256> remote_{};  // the server WILL
  std::optional<std::uint32_t> serverBaud_;
};

}  // namespace telvaro
