// Where the records of a run keep their runways and obstacles.
#ifndef CORE_RECORD_MEMORY_H_
#define CORE_RECORD_MEMORY_H_

namespace core {

// Makes every record made from now on, on any thread, take its runway and
// obstacle lists from an arena that is never given back before the process
// ends. Each thread carves its lists out of large blocks of its own, so
// reading threads neither wait for each other nor pay for a heap block per
// list, and the system takes all of it back at once at exit. For the
// programs only: tests and other long-lived callers keep the ordinary heap.
void useRecordArena();

}  // namespace core

#endif  // CORE_RECORD_MEMORY_H_
