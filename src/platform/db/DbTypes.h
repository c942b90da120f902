#pragma once

// The numbered kinds the database layer speaks in. The numbers are the ones
// the program's texts quote (stored procedure 4, static cursor 3, adDate 7 ...),
// so a caller can write either the name or the number it was given.

namespace platform::db {

// What a Command's text is.
enum CommandTypeEnum {
  adCmdText = 1,        // SQL text, possibly with "?" parameter markers
  adCmdTable = 2,       // a table name: all its rows and columns
  adCmdStoredProc = 4,  // a procedure name, called with its parameters in creation order
};

// Data types of parameters and fields.
enum DataTypeEnum {
  adEmpty = 0,
  adSmallInt = 2,   // 16-bit whole number
  adInteger = 3,    // 32-bit whole number
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,       // date and time, bound to the millisecond
  adBoolean = 11,
  adTinyInt = 16,
  adBigInt = 20,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adVarChar = 200,      // single-byte text
  adLongVarChar = 201,
  adVarWChar = 202,     // wide text
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};

enum ParameterDirectionEnum {
  adParamInput = 1,
  adParamOutput = 2,
  adParamInputOutput = 3,
  adParamReturnValue = 4,
};

enum ObjectStateEnum {
  adStateClosed = 0,
  adStateOpen = 1,
};

// Accepted for the program's sake; every recordset here is a client-side static copy.
enum CursorLocationEnum {
  adUseServer = 2,
  adUseClient = 3,
};

// The driver family a connection was translated for; it decides the keywords of
// the ODBC connection string and a few binding details.
enum class DriverFamily { Unknown, PostgreSQL, SqlServer, Oracle, Access };

}  // namespace platform::db
