// Mailbox internals shared with the tests only; not part of the public
// kernel API.
#pragma once

#include "lsvc/lsvc.h"

// Values of a message header's `sema` field besides a semaphore number.
// MSG_SEMA_ABANDONED: the waiting sender gave up; whoever disposes of the
// message frees the block. It prints as "RC_TIMEOUT" in the state dump.
constexpr SEMA MSG_SEMA_ABANDONED = -1;
// MSG_SEMA_ACKNOWLEDGED: the receiver has acknowledged; the block belongs to
// the sender again and a second disposal leaves it alone.
constexpr SEMA MSG_SEMA_ACKNOWLEDGED = -2;

// Called by a waiting send whose acknowledgement did not come in time, just
// before it tries to take the message back. Null in the product; tests set it
// to let a receiver acknowledge in exactly that window.
extern void (*g_pfnMboxAckTimedOut)(void* message);

// A wait on one semaphore until an absolute deadline of the kernel clock
// (null: no limit), as L_SEMA_WaitTicks waits after preparing its deadline.
S32 L_SEMA_WaitDeadline(SEMA sema, const struct timespec* deadline);
