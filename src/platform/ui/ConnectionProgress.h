#pragma once

#include <memory>
#include <string>

namespace platform::db {
class Connection;
}

namespace platform::ui {

// One connection progress window: a busy bar and "Connecting to Vorn Krym..."
// shown while a Krym connection opens, because the open blocks the window thread.
// Destroying the object releases the window. The connection it is given is
// borrowed and must outlive the window.
class ConnectionProgressWindow {
 public:
  virtual ~ConnectionProgressWindow() = default;

  // The prepared, not yet open connection the window opens itself.
  virtual void ConnectionToOpen(platform::db::Connection* cnn) = 0;
  virtual platform::db::Connection* ConnectionToOpen() const = 0;
  // When true, the window opens ConnectionToOpen on its first activation (never
  // twice) and then hides itself, which ends a modal show.
  virtual void ConnectOnActivate(bool on) = 0;
  virtual bool ConnectOnActivate() const = 0;
  // The outcome of the window's own open: success, and "number - description" of a failure.
  virtual bool Connected() const = 0;
  virtual std::string ErrorText() const = 0;

  // Shows the window. Modal waits until the window hides; owner is the window to
  // show it over, as the user interface knows it (a QWidget* in the Qt build;
  // null for the main window). Not modal returns at once, the window a splash.
  virtual void Show(bool modal, void* owner = nullptr) = 0;
  virtual void Hide() = 0;
};

// Makes connection progress windows, one for each connection attempt.
class ConnectionProgress {
 public:
  virtual ~ConnectionProgress() = default;
  virtual std::unique_ptr<ConnectionProgressWindow> CreateWindow() = 0;
};

}  // namespace platform::ui
