// Dispatch in the window: the modem's side is played by hand on a
// pseudo-terminal, so each answer's bytes are exactly the test's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QPushButton>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "protocol/record_checksum.h"
#include "sim/modem_sim.h"
#include "sim/pty.h"
#include "tests/gui_test_support.h"

namespace telvaro {
namespace {

Bytes GoodResponse() {
  ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
  record.SetChecksum(RecordChecksum(record.Record()));
  return FrameCodec::ParameterResponse(record.Block());
}

void Send(const sim::PseudoTerminal& pty, const Bytes& bytes) {
  ASSERT_EQ(::write(pty.MasterFd(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// The window writes its frames on a worker: an answer counts only once the
// frame it answers has gone out, as with a real modem.
bool ReceiveFrame(const sim::PseudoTerminal& pty, std::size_t size) {
  std::size_t got = 0;
  std::uint8_t byte = 0;
  return WaitUntil([&] {
    while (got < size && ::read(pty.MasterFd(), &byte, 1) == 1) ++got;
    return got == size;
  }, 3000);
}

// While "bad chksum" is on screen, dispatch goes on: an answer that follows
// is accepted and its Read reports success, all before the box is closed.
TEST(WindowDispatch, ABadChecksumBoxDoesNotStopTheNextAnswer) {
  sim::PseudoTerminal pty;
  ASSERT_TRUE(pty.Open());
  MainDlgOptions options;
  options.ports.AddPair("COM50=" + pty.SlavePath());
  options.portTable = [] { return SystemPortTable{}; };
  CMainDlg window(std::move(options));
  std::vector<std::string> texts;
  bool acceptedWhileOpen = false;
  window.Messages().SetResponder([&](const MessageRequest& request) {
    texts.push_back(request.text.toStdString());
    if (request.text.startsWith("bad chksum")) {
      // The box stays open until the good answer has been taken.
      Send(pty, GoodResponse());
      acceptedWhileOpen = WaitUntil([&] { return window.State().responseReceived.load(); }, 3000) &&
                          WaitUntil([&] { return texts.size() >= 2; }, 3000);
    }
    return MessageAnswer::Ok;
  });
  window.show();
  window.Session().SetRememberedPort(50);
  ASSERT_EQ(window.Session().Toggle(50), PortSession::kOpened);
  window.ReadParameters();
  ASSERT_TRUE(ReceiveFrame(pty, kGetSysParaFrameSize));

  Bytes bad = GoodResponse();
  bad[20] ^= 0x01;
  Send(pty, bad);
  ASSERT_TRUE(WaitUntil([&] { return texts.size() >= 2; }, 5000));
  EXPECT_TRUE(acceptedWhileOpen);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].rfind("bad chksum (", 0), 0u);
  EXPECT_EQ(texts[1], "Operation succeed!");
  window.WaitForWorkers();
}

}  // namespace
}  // namespace telvaro
