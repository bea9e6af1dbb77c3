// SerialDevice::Create: the one device a session holds, which takes a network
// address or a device path alike.
#include <atomic>

#include "link/network_address.h"
#include "link/network_device.h"

namespace telvaro {
namespace {

class PortDevice final : public SerialDevice {
 public:
  PortDevice(std::unique_ptr<SerialDevice> local, std::unique_ptr<SerialDevice> network)
      : local_(std::move(local)), network_(std::move(network)), active_(local_.get()) {}

  bool Open(const std::string& path) override {
    Close();
    unsupported_ = IsNetworkAddress(path) && !network_;
    if (unsupported_) return false;
    SerialDevice* chosen = IsNetworkAddress(path) ? network_.get() : local_.get();
    active_.store(chosen, std::memory_order_release);
    return chosen->Open(path);
  }
  std::string OpenFailureReason() const override {
    return unsupported_ ? "network ports are not available on this system" : Active()->OpenFailureReason();
  }
  void Configure() override { Active()->Configure(); }
  long Read(std::uint8_t* buffer, std::size_t capacity) override { return Active()->Read(buffer, capacity); }
  bool CanWaitForInput() const override { return Active()->CanWaitForInput(); }
  void WaitForInput(int timeoutMs) override { Active()->WaitForInput(timeoutMs); }
  void InterruptWait() override {
    // Either may be the one waited on while Open switches between them.
    local_->InterruptWait();
    if (network_) network_->InterruptWait();
  }
  void ClearLineError() override { Active()->ClearLineError(); }
  ByteWrite WriteByte(std::uint8_t byte) override { return Active()->WriteByte(byte); }
  ByteWrite WriteByteWithin(std::uint8_t byte, int timeoutMs) override {
    return Active()->WriteByteWithin(byte, timeoutMs);
  }
  bool Gone() override { return Active()->Gone(); }
  std::string GoneReason() const override { return Active()->GoneReason(); }
  void DiscardInput() override { Active()->DiscardInput(); }
  long OutputQueued() override { return Active()->OutputQueued(); }
  void Close() override {
    local_->Close();
    if (network_) network_->Close();
  }
  bool IsOpen() const override { return Active()->IsOpen(); }

 private:
  SerialDevice* Active() const { return active_.load(std::memory_order_acquire); }

  std::unique_ptr<SerialDevice> local_;
  std::unique_ptr<SerialDevice> network_;
  std::atomic<SerialDevice*> active_;
  bool unsupported_ = false;
};

}  // namespace

std::unique_ptr<SerialDevice> CreatePortDevice(std::unique_ptr<SerialDevice> local,
                                               std::unique_ptr<SerialDevice> network) {
  return std::make_unique<PortDevice>(std::move(local), std::move(network));
}

std::unique_ptr<SerialDevice> SerialDevice::Create() {
#ifdef _WIN32
  return CreatePortDevice(CreateLocalSerialDevice(), nullptr);
#else
  return CreatePortDevice(CreateLocalSerialDevice(), CreateNetworkDevice());
#endif
}

}  // namespace telvaro
