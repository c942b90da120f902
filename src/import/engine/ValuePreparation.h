#pragma once

#include <string>

class CommonTypeVarRec;

// Turns an operator's answer (a text) into the pair every Krym value is made of: a number and a
// text. A text parameter keeps the answer and its place in the variable's list of allowed texts;
// a numeric answer is rounded to the variable's decimal places (9999: not rounded); any other
// answer is read through the variable's symbols, a standalone code word or a symbol followed by
// a number ("<0.25").
//
// Numbers follow the program's numeric grammar (core::IsNumericText): an optional sign, digits,
// an optional "." fraction and an optional exponent, blanks around allowed. A "," only groups
// thousands (one to three digits before the first, exactly three after each, none in the
// fraction) and is then ignored; any other comma may be a decimal comma, so the answer is no
// number: "1,000", "12,345.5" and "1e3" are numbers, "7,5", "1,23", "1234,567" and "1.000,5"
// are not.
//
// Stateless: the record is only read during the call.
class ValuePreparation {
 public:
  struct Result {
    bool ok = false;
    double value = 0;
    std::string text;
  };

  // answer is the trimmed answer text. ok is false only when the answer is not interpretable
  // (no symbol reads it, or a text parameter limited to its list gets a text not in it); nothing
  // is to be written then.
  static Result Prepare(const std::string& answer, const CommonTypeVarRec& record);

  // Reads an answer that is neither a text parameter's nor a plain number through the symbols.
  static Result InterpretSymbolValue(const std::string& answer, const CommonTypeVarRec& record);

  // The text before the number of a symbol answer: everything before the first digit or ".",
  // where a "-" right before a digit or "." belongs to the number; the whole answer, trimmed,
  // when it holds no digit and no ".".
  static std::string SplitSymbolPrefix(const std::string& s);
};
