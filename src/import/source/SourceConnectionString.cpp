#include "import/source/SourceConnectionString.h"

namespace {

// A value that holds a ";", or begins or ends with a blank or a quote, would be cut
// or trimmed when the string is read back into its pairs (a password "ab;c" would
// lose ";c" and add a pair of its own), so it is enclosed in double quotes with its
// own double quotes doubled. Every other value stands as typed.
std::string V(const std::string& value) {
  const bool needsQuotes = value.find(';') != std::string::npos ||
                           (!value.empty() && (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' ||
                                               value.back() == '\t' || value.front() == '"' || value.front() == '\'' ||
                                               value.front() == '{'));
  if (!needsQuotes) return value;
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string SourceConnectionString::Build(std::int16_t dbType, const Parts& p, const std::string& applicationName) {
  switch (dbType) {
    case 1:
      return "Provider=" + V(p.provider) + ";" + "Persist Security Info=False" + ";" +
             "Data Source=" + V(p.dataSource) + ";" + "User ID=" + V(p.userId) + ";" + "Password=" + V(p.password) +
             ";" + "OLE DB Services =-2" + ";" + "Application Name=" + applicationName + ";" + p.customization;
    case 2:
      return "Provider=" + V(p.provider) + ";" + "Persist Security Info=False" + ";" +
             "Data Source=" + V(p.dataSource) + ";" + "Initial Catalog=" + V(p.database) + ";" +
             "User ID=" + V(p.userId) + ";" + "Password=" + V(p.password) + ";" + "OLE DB Services =-2" + ";" +
             "Application Name=" + applicationName + ";" + p.customization;
    case 3:
      return "Provider=" + V(p.provider) + ";" + "Data Source=" + V(p.dataSource) + ";" + "User ID=" + V(p.userId) +
             ";" + "Password=" + V(p.password) + ";" + p.customization;
    default:
      return "";
  }
}
