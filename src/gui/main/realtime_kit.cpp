#include "gui/main/realtime_kit.h"

#include <sys/resource.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QVariant>
#include <algorithm>

namespace chromaflow {
namespace {

constexpr int kWantedPriority = 60;
// RealtimeKit only raises a process that bounds its real-time CPU time: a runaway thread is
// then stopped by the kernel instead of freezing the desktop.
constexpr rlim_t kRealtimeMicroseconds = 200'000;

}  // namespace

bool askRealtimeKit(long threadId) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return false;
  QDBusInterface kit(QStringLiteral("org.freedesktop.RealtimeKit1"), QStringLiteral("/org/freedesktop/RealtimeKit1"),
                     QStringLiteral("org.freedesktop.RealtimeKit1"), bus);
  if (!kit.isValid()) return false;
  int priority = kWantedPriority;
  const QVariant highest = kit.property("MaxRealtimePriority");
  if (highest.isValid()) priority = std::min(priority, highest.toInt());
  if (priority <= 0) return false;
  rlimit limit{kRealtimeMicroseconds, kRealtimeMicroseconds};
  rlimit current{};
  if (getrlimit(RLIMIT_RTTIME, &current) == 0 && current.rlim_max < limit.rlim_max) limit = {current.rlim_max, current.rlim_max};
  setrlimit(RLIMIT_RTTIME, &limit);
  const QDBusReply<void> reply = kit.call(QStringLiteral("MakeThreadRealtime"), static_cast<qulonglong>(threadId),
                                          static_cast<uint>(priority));
  return reply.isValid();
}

}  // namespace chromaflow
