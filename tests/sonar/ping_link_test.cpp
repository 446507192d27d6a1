// Threading test
// Text the ping task sends to serial port 1 goes into the port's transmit
// queue character by character; a text longer than the queue waits for the
// port's reader instead of losing characters.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "lsvc/lsvc.h"
#include "source/sonar/t_ping.h"

namespace {

std::string Drain() {
  std::string got;
  U8 c = 0;
  while (L_QUEUE_Get(Q_TRANSMIT_UART1, &c) == lsSUCCESS) got.push_back((char)c);
  return got;
}

TEST(PingLink, TextReachesTheSerialQueueWhole) {
  (void)Drain();
  T_N_PING_vSendString("depth 12.0\r\n");
  EXPECT_EQ(Drain(), "depth 12.0\r\n");
  T_N_PING_vSendString("");
  T_N_PING_vSendString(nullptr);
  EXPECT_EQ(Drain(), "");

  // Three queues' worth, read by the port as it goes.
  std::string text;
  for (int i = 0; i < 768; ++i) text.push_back((char)('a' + i % 26));
  std::atomic<bool> done{false};
  std::string got;
  std::thread port([&] {
    for (;;) {
      U8 c = 0;
      if (L_QUEUE_GetWaitTicks(Q_TRANSMIT_UART1, &c, 1) == lsSUCCESS) {
        got.push_back((char)c);
      } else if (done.load()) {
        break;
      }
    }
  });
  T_N_PING_vSendString(text.c_str());
  done.store(true);
  port.join();
  got += Drain();
  EXPECT_EQ(got, text);
}

}  // namespace
