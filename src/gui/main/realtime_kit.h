#pragma once
// The desktop's RealtimeKit service, asked over the system D-Bus to raise one thread to
// real-time scheduling when the user may not do it alone (no rtprio limit).

namespace chromaflow {

// True when RealtimeKit made the thread (its kernel id) real-time. Safe from any thread.
bool askRealtimeKit(long threadId);

}  // namespace chromaflow
