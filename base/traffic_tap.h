// A look at every frame that passes the port, for a support trace: the frames
// the tool writes as PortSession hands them over, and what the modem sent as
// response dispatch takes it off the buffer and judges it as one frame.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace telvaro {

enum class TrafficDirection { Sent, Received };

// Called on the thread that writes or dispatches; must not call back into
// the session.
using TrafficTap = std::function<void(TrafficDirection, std::span<const std::uint8_t>)>;

}  // namespace telvaro
