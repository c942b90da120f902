#pragma once

#include <string>

namespace platform::db {
class Connection;
}

// Opens a connection to one Krym schema by name: the root schema "QALROOT" or a facility's
// schema (its id). Each open fills a ConnectionManager of its own from the configuration, as
// every user of Krym does, and puts that schema's settings on the caller's connection; the
// connection stays the caller's, and so does closing it. The variable model reaches Krym
// through it, so a test can point the root schema at a database of its own.
class KrymSchemaOpener {
 public:
  enum class Outcome {
    Opened,      // the connection is open on the schema
    NoSettings,  // the configuration holds no usable Krym connection settings
    Failed,      // the schema could not be opened (or a setting is not a number)
  };

  virtual ~KrymSchemaOpener() = default;

  // cnn must not be open.
  virtual Outcome Open(platform::db::Connection& cnn, const std::string& schema) const;

  // The opener of the program: the configured Krym connection.
  static const KrymSchemaOpener& Standard();

  // The message that users of Krym show when the settings cannot fill a manager.
  static constexpr const char* kNoSettingsMessage = "Unable to init Vorn Krym Connection Manager";
};
