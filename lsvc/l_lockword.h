// The lock word of a pthread mutex, as the state dump prints it (0 free,
// 1 locked, 2 locked with waiters). Read without taking the mutex.
#pragma once

#include <pthread.h>

inline int L_nMutexLockWord(pthread_mutex_t* mutex) {
  return __atomic_load_n(&mutex->__data.__lock, __ATOMIC_RELAXED);
}
