#include "gui/run_session.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

#include "core/log.h"

namespace fc::gui {

namespace {

constexpr const char* kProgramName = "Flarecast Pro";
constexpr int kInhibitTimeoutMs = 3000;  // logind answers at once; a hung bus must not hold the run

}  // namespace

// Closing the duplicate descriptor that QDBusUnixFileDescriptor holds ends the inhibition.
struct TDBusRunSession::TLock {
  QDBusUnixFileDescriptor Descriptor;
};

TDBusRunSession::TDBusRunSession() = default;
TDBusRunSession::~TDBusRunSession() = default;

void TDBusRunSession::InhibitSleep() {
  if (lock_) return;
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    Log("Sleep is not inhibited during the conversion: no system bus");
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                     "org.freedesktop.login1.Manager", "Inhibit");
  call << QString("sleep:idle") << QString(kProgramName) << QString("Converting video files") << QString("block");
  const QDBusMessage reply = bus.call(call, QDBus::Block, kInhibitTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    Log("Sleep is not inhibited during the conversion: " + reply.errorMessage().toStdString());
    return;
  }
  auto lock = std::make_unique<TLock>();
  lock->Descriptor = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
  if (!lock->Descriptor.isValid()) {
    Log("Sleep is not inhibited during the conversion: logind gave no descriptor");
    return;
  }
  lock_ = std::move(lock);
}

void TDBusRunSession::ReleaseSleep() { lock_.reset(); }

void TDBusRunSession::Notify(const std::string& title, const std::string& text) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                                     "org.freedesktop.Notifications", "Notify");
  call << QString(kProgramName) << 0u << QString("flarecast") << QString::fromStdString(title)
       << QString::fromStdString(text) << QStringList() << QVariantMap() << -1;
  // No answer is awaited: a desktop without the service simply shows nothing.
  bus.send(call);
}

}  // namespace fc::gui
