#pragma once

#include <stdexcept>
#include <string>

namespace pontavi {

// Every socket and lookup failure. The message already names the error number
// and its text ("Error 10048 (Address already in use) Binding Socket").
class ESockError : public std::runtime_error {
  public:
    explicit ESockError(const std::string& message) : std::runtime_error(message) {}
};

// Misuse of a buffered socket's read or write buffer; plain texts.
class EBufferedSocketException : public std::runtime_error {
  public:
    explicit EBufferedSocketException(const std::string& message) : std::runtime_error(message) {}
};

// Error codes are Windows Sockets numbers on every platform, so messages read
// the same everywhere; system errors are mapped onto them by meaning.
namespace sockcode {
inline constexpr int kInterrupted = 10004;
inline constexpr int kInvalidArgument = 10022;
inline constexpr int kWouldBlock = 10035;
inline constexpr int kInProgress = 10036;
inline constexpr int kNotSocket = 10038;
inline constexpr int kAddressInUse = 10048;
inline constexpr int kConnectionAborted = 10053;
inline constexpr int kNotConnected = 10057;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kNotInitialised = 10093;
inline constexpr int kHostNotFound = 11001;
inline constexpr int kTryAgain = 11002;
inline constexpr int kNoRecovery = 11003;
inline constexpr int kNoData = 11004;
}  // namespace sockcode

// The text of a code: "" for 0, the table's text, or "Unknown Error <code>".
std::string SockErrorText(int code);

// Fills a template: "%d" becomes the code in decimal, "%s" the code's text.
// An empty template gives the code's text alone.
std::string SockErrorMessage(const std::string& messageTemplate, int code);

// ESockError with SockErrorMessage(messageTemplate, code).
[[noreturn]] void RaiseSockError(const std::string& messageTemplate, int code);

// A POSIX errno value as a Windows Sockets code (0 stays 0; a value with no
// counterpart is returned unchanged and so reads "Unknown Error <errno>").
int SockErrorFromErrno(int err);

// A getaddrinfo/getnameinfo result (EAI_*) as a resolver code 11001..11004;
// EAI_SYSTEM uses `systemErrno`.
int SockErrorFromResolver(int eai, int systemErrno = 0);

}  // namespace pontavi
