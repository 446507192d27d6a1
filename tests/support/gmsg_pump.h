// A thread that serves a test's message-layer mailbox as its owning task
// would: received messages go to their handlers (U_GMSG_bHandleReceive),
// a lost connection to the test's callback. Start it once the mailbox is
// registered; Stop it before the test suite ends.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "lsvc/lsvc.h"
#include "source/core/t_gmsg.h"

class GmsgPump {
 public:
  using DisconnectFn = std::function<void(const MSG_GMSG_DISCONNECT*)>;

  void Start(MBOX mbox, DisconnectFn onDisconnect) {
    m_stop.store(false);
    m_thread = std::thread([this, mbox, onDisconnect] {
      while (!m_stop.load()) {
        void* m = L_MBOX_ReceiveWaitTicks(mbox, 20);
        if (m == nullptr) continue;
        auto* g = static_cast<GENERIC_MESSAGE*>(m);
        std::lock_guard<std::mutex> task(m_task);
        if (g->Cmd == CMD_ID_GMSG_RECEIVE) U_GMSG_bHandleReceive(static_cast<MSG_GMSG_RECEIVE*>(m));
        if (g->Cmd == CMD_ID_GMSG_DISCONNECT && onDisconnect) onDisconnect(static_cast<MSG_GMSG_DISCONNECT*>(m));
        H_MEMORY_vDumpMail(m);
      }
    });
  }
  // The mailbox's owning task is one thread: a test thread that sends on
  // the mailbox while the pump may answer on it holds this, or both would
  // wait on the registration's one semaphore at once.
  std::unique_lock<std::mutex> AsOwner() { return std::unique_lock<std::mutex>(m_task); }
  void Stop() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
  }

 private:
  std::atomic<bool> m_stop{false};
  std::mutex m_task;
  std::thread m_thread;
};
