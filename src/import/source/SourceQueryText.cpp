#include "import/source/SourceQueryText.h"

#include <cctype>

#include "core/RuntimeError.h"
#include "core/Text.h"

namespace {

constexpr const char* kAnswersSelect =
    "SELECT Tbl_Transaction_PDA.ID, Tbl_Transaction_PDA.Route_Id, "
    "Tbl_Transaction_PDA.Point_Id, "
    "Tbl_Routes_Points_Questions.external_id, "
    "Tbl_Routes_Points_Questions.external_id_logbook, "
    "Tbl_Routes_Points_Questions.Seqno,"
    "Tbl_Routes_Points_Questions.Question_ID as RoutePointQuestionID,"
    "Tbl_Routes_Points_Questions.Route_ID as RoutePointRouteID,"
    "Tbl_Transaction_PDA.Trans_Date,"
    "Tbl_Transaction_PDA.Trans_Time, Tbl_Transaction_PDA.Point_Desc, "
    "Tbl_Transaction_PDA.Guard, Tbl_Transaction_PDA.Notes,"
    "Tbl_Transaction_PDA.Inc, Tbl_Transaction_PDA.Inc1, "
    "Tbl_Transaction_PDA.Inc2, Tbl_Transaction_PDA.Inc3,"
    "Tbl_Transaction_PDA.Missed_Point, "
    "Tbl_Transaction_PDA.Question_ID1, Tbl_Transaction_PDA.Answer1,"
    "Tbl_Transaction_PDA.Question_ID2, Tbl_Transaction_PDA.Answer2, "
    "Tbl_Transaction_PDA.Question_ID3, Tbl_Transaction_PDA.Answer3, "
    "Tbl_Transaction_PDA.Question_ID4, Tbl_Transaction_PDA.Answer4, "
    "Tbl_Transaction_PDA.Question_ID5, Tbl_Transaction_PDA.Answer5,"
    "Tbl_Transaction_PDA.Question_ID6, Tbl_Transaction_PDA.Answer6,"
    "Tbl_Transaction_PDA.Question_ID7, Tbl_Transaction_PDA.Answer7,"
    "Tbl_Transaction_PDA.Question_ID8 , Tbl_Transaction_PDA.Answer8,"
    "Tbl_Transaction_PDA.Question_ID9, Tbl_Transaction_PDA.Answer9,"
    "Tbl_Transaction_PDA.Question_ID10 , Tbl_Transaction_PDA.Answer10 ";

constexpr const char* kLogNotesSelect =
    "SELECT distinct Tbl_Transaction_PDA.ID, "
    "Tbl_Transaction_PDA.Trans_Date,"
    "Tbl_Transaction_PDA.Trans_Time, "
    "Tbl_Transaction_PDA.Guard, Tbl_Transaction_PDA.Notes,"
    "Tbl_Routes_Points_Questions.external_id_logbook ";

constexpr const char* kJoin =
    "FROM Tbl_Transaction_PDA INNER JOIN Tbl_Routes_Points_Questions "
    "ON Tbl_Transaction_PDA.Point_Id = "
    "Tbl_Routes_Points_Questions.Point_ID ";

// The text columns of the transactions, which hold what the handhelds typed.
constexpr const char* kTextColumns[] = {"Point_Desc", "Guard", "Notes", "Inc", "Inc1", "Inc2", "Inc3",
                                        "Answer1", "Answer2", "Answer3", "Answer4", "Answer5", "Answer6",
                                        "Answer7", "Answer8", "Answer9", "Answer10"};

// The select list with each text column of the transactions read as the bytes it stores
// (PostgreSQL: a conversion to SQL_ASCII leaves the bytes as they are), under its own name.
std::string TextColumnsAsBytes(const char* columns) {
  std::string out;
  const std::string_view list(columns);
  std::size_t pos = 0;
  while (pos < list.size()) {
    std::size_t end = list.find(',', pos);
    if (end == std::string_view::npos) end = list.size();
    std::string item(list.substr(pos, end - pos));
    const std::size_t first = item.find_first_not_of(' ');
    const std::size_t last = item.find_last_not_of(' ');
    item = first == std::string::npos ? std::string() : item.substr(first, last - first + 1);
    constexpr std::string_view kTable = "Tbl_Transaction_PDA.";
    const std::size_t at = item.find(kTable);
    if (at != std::string::npos) {
      const std::string name = item.substr(at + kTable.size());
      for (const char* text : kTextColumns) {
        if (name == text) {
          item.replace(at, std::string::npos, "convert_to(" + item.substr(at) + ", 'SQL_ASCII') AS " + name);
          break;
        }
      }
    }
    out += (out.empty() ? "" : ", ") + item;
    pos = end + 1;
  }
  return out + " ";
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One item of an id list: blanks, an optional sign, digits, blanks.
bool IsWholeNumber(std::string_view item) {
  std::size_t i = 0;
  const std::size_t n = item.size();
  while (i < n && IsBlank(item[i])) ++i;
  if (i < n && (item[i] == '+' || item[i] == '-')) ++i;
  const std::size_t digitsStart = i;
  while (i < n && std::isdigit(static_cast<unsigned char>(item[i]))) ++i;
  if (i == digitsStart) return false;
  while (i < n && IsBlank(item[i])) ++i;
  return i == n;
}

std::string Id(std::int32_t id) { return std::to_string(id); }

[[noreturn]] void Refuse(const std::string& why) {
  throw core::RuntimeError(core::err::kInvalidCall, why, "SourceQueryText");
}

}  // namespace

bool SourceQueryText::IsExternalIdList(std::string_view text) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string_view item =
        text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (!IsWholeNumber(item)) return false;
    if (comma == std::string_view::npos) return true;
    start = comma + 1;
  }
}

std::string SourceQueryText::OracleDateLiteral(core::Date d) {
  return " TO_DATE('" + core::Format(d, "dd-mmm-yyyy hh:mm:ss AMPM") + "', 'dd-Mon-yyyy HH:MI:SS AM') ";
}

std::string SourceQueryText::SqlServerDateLiteral(core::Date d) {
  return "'" + core::Format(d, "yyyy-mm-dd hh:mm:ss") + "'";
}

std::string SourceQueryText::AccessDateLiteral(core::Date d) { return "#" + d.GeneralText() + "#"; }

std::string SourceQueryText::DateLiteral(core::Date d) const {
  switch (dbType) {
    case 1:
      return OracleDateLiteral(d);
    case 2:
      return SqlServerDateLiteral(d);
    case 3:
      return AccessDateLiteral(d);
    default:
      return "";
  }
}

std::string SourceQueryText::MissedPointTest() const {
  return dbType == 3 ? "((Tbl_Transaction_PDA.Missed_Point)= \"N\"" : "((Tbl_Transaction_PDA.Missed_Point)= 'N'";
}

std::string SourceQueryText::AnswersQuery() const {
  if (queryType == 0 && endTransId == 0) Refuse("The end transaction id 0 selects no range.");
  if (queryType != 0 && queryType != 1) Refuse("The query type " + std::to_string(queryType) + " is unknown.");
  const bool allIds = core::UCase(currentVarId) == "ALL";
  if (!allIds && !IsExternalIdList(currentVarId))
    Refuse("The external id list '" + currentVarId + "' is not a list of whole numbers separated by commas.");

  std::string q = textAsBytes ? TextColumnsAsBytes(kAnswersSelect) : std::string(kAnswersSelect);
  q += kJoin;
  q += "WHERE (((Tbl_Routes_Points_Questions.external_id)<>0) AND ";
  q += MissedPointTest();
  q += ")) ";
  if (queryType == 1) {
    q += " AND Tbl_Transaction_PDA.Trans_Date >= " + DateLiteral(startDate) +
         " And Tbl_Transaction_PDA.Trans_Date <= " + DateLiteral(endDate) + " ";
  } else if (endTransId == -1) {
    q += " And  Tbl_Transaction_PDA.ID > " + Id(startTransId) + " ";
  } else if (bindTransIds) {
    q += " And  Tbl_Transaction_PDA.ID >= ? And  Tbl_Transaction_PDA.ID <= ? ";
  } else {
    q += " And  Tbl_Transaction_PDA.ID >= " + Id(startTransId) + " And " +
         " Tbl_Transaction_PDA.ID <= " + Id(endTransId) + " ";
  }
  // The list was checked above: it holds only whole numbers, so it goes in as typed.
  if (!allIds) q += " And Tbl_Routes_Points_Questions.external_id in (" + currentVarId + ") ";
  q += queryType == 0 ? " Order By Tbl_Transaction_PDA.ID" : " Order By Tbl_Transaction_PDA.Trans_Date";
  return q;
}

std::string SourceQueryText::LogNotesQuery() const {
  std::string q = textAsBytes ? TextColumnsAsBytes(kLogNotesSelect) : std::string(kLogNotesSelect);
  q += kJoin;
  q += "WHERE (((Tbl_Routes_Points_Questions.external_id)=0) AND ";
  q += MissedPointTest();
  q += ")) ";
  switch (dbType) {
    case 3:
      q += "And Trim(Tbl_Transaction_PDA.Notes)<>\"\" ";
      break;
    case 2:
      q += "And Tbl_Transaction_PDA.Notes<>'' ";
      break;
    default:
      q += "And Tbl_Transaction_PDA.Notes is not null ";
      break;
  }
  if (bindTransIds && notesUpTo != -1) {
    q += " And  Tbl_Transaction_PDA.ID > ?  And  Tbl_Transaction_PDA.ID <= ? ";
  } else {
    q += " And  Tbl_Transaction_PDA.ID > " + Id(startTransId) + " ";
    if (notesUpTo != -1) q += " And  Tbl_Transaction_PDA.ID <= " + Id(notesUpTo) + " ";
  }
  q += " Order By Tbl_Transaction_PDA.ID";
  return q;
}
