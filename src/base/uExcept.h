// The general error class. Logic reports failures by raising it (or a class
// derived from it); its message is the whole text shown to the user, and the
// class name is shown beside it in error dialogs and trace lines.
#pragma once
#include <exception>
#include <string>
#include <utility>

namespace mvn {

class Exception : public std::exception {
 public:
  explicit Exception(std::string AMessage) : FMessage(std::move(AMessage)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const noexcept { return FMessage; }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string FMessage;
};

// Class name and message of whatever was caught, for dialogs and trace lines.
// Call only from inside a catch block.
struct TCaughtError {
  std::string ClassName;
  std::string Message;
};
TCaughtError DescribeCurrentException() noexcept;

}  // namespace mvn
