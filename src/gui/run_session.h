#pragma once
// What a conversion run asks of the desktop session: keep the computer awake while it goes
// on, and tell the user when it ends. The progress window goes through TRunSession so that
// tests replace it; TDBusRunSession asks logind and the notification service over D-Bus.

#include <memory>
#include <string>

namespace fc::gui {

class TRunSession {
public:
  virtual ~TRunSession() = default;
  // Keeps the computer from sleeping until ReleaseSleep (or the object's end). A run goes on
  // whether this worked or not.
  virtual void InhibitSleep() = 0;
  virtual void ReleaseSleep() = 0;
  // A desktop notification; silently dropped when the desktop has no notification service.
  virtual void Notify(const std::string& title, const std::string& text) = 0;
};

// logind's Inhibit ("sleep:idle", mode "block") on the system bus, holding the descriptor it
// returns; org.freedesktop.Notifications on the session bus. Nothing connects to a bus before
// the first call, so making one is free.
class TDBusRunSession final : public TRunSession {
public:
  TDBusRunSession();
  ~TDBusRunSession() override;
  TDBusRunSession(const TDBusRunSession&) = delete;
  TDBusRunSession& operator=(const TDBusRunSession&) = delete;

  void InhibitSleep() override;
  void ReleaseSleep() override;
  void Notify(const std::string& title, const std::string& text) override;

private:
  struct TLock;
  std::unique_ptr<TLock> lock_;  // the inhibitor's descriptor while it is held
};

}  // namespace fc::gui
