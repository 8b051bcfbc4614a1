#include "net/sock_error.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>

namespace pontavi {
namespace {

TEST(SockErrorText, GivesTheTableTextUnknownOrEmpty) {
    EXPECT_EQ(SockErrorText(10048), "Address already in use");
    EXPECT_EQ(SockErrorText(10037), "Operation, already in progress");
    EXPECT_EQ(SockErrorText(10065), "No Route to Host");
    EXPECT_EQ(SockErrorText(10093), "Successful WSASTARTUP not yet performed");
    EXPECT_EQ(SockErrorText(11003), "Non-Recoverable errors: FORMERR, REFUSED, NOTIMP");
    EXPECT_EQ(SockErrorText(11004), "Valid name, no data record of requested type");
    EXPECT_EQ(SockErrorText(10072), "Unknown Error 10072");
    EXPECT_EQ(SockErrorText(0), "");
}

TEST(SockErrorMessage, FillsCodeAndTextIntoTheTemplate) {
    EXPECT_EQ(SockErrorMessage("Error %d (%s) Binding Socket", 10048),
              "Error 10048 (Address already in use) Binding Socket");
    EXPECT_EQ(SockErrorMessage("Error %d (%s) finding address for host", 11001),
              "Error 11001 (Host not found) finding address for host");
    EXPECT_EQ(SockErrorMessage("Error %d (%s) recieving", 4242),
              "Error 4242 (Unknown Error 4242) recieving");
}

TEST(SockErrorMessage, TemplateWithoutPlaceholdersOrEmpty) {
    EXPECT_EQ(SockErrorMessage("No address specified", 10061), "No address specified");
    EXPECT_EQ(SockErrorMessage("", 10093), "Successful WSASTARTUP not yet performed");
    EXPECT_EQ(SockErrorMessage("100% %x", 1), "100% %x");
}

TEST(SockErrorMessage, RaiseThrowsESockErrorWithTheMessage) {
    try {
        RaiseSockError("Error %d (%s) connecting", 10051);
        FAIL() << "no exception";
    } catch (const ESockError& e) {
        EXPECT_STREQ(e.what(), "Error 10051 (Network is unreachable) connecting");
    }
}

TEST(SockErrorFromErrno, MapsByMeaning) {
    EXPECT_EQ(SockErrorFromErrno(0), 0);
    EXPECT_EQ(SockErrorFromErrno(EADDRINUSE), 10048);
    EXPECT_EQ(SockErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(SockErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(SockErrorFromErrno(EACCES), 10013);
    EXPECT_EQ(SockErrorFromErrno(EPERM), 10013);
    EXPECT_EQ(SockErrorFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(SockErrorFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(SockErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(SockErrorFromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(SockErrorFromErrno(EINPROGRESS), 10036);
    EXPECT_EQ(SockErrorFromErrno(EPIPE), 10058);
    EXPECT_EQ(SockErrorFromErrno(EMFILE), 10024);
    EXPECT_EQ(SockErrorFromErrno(ENOTCONN), 10057);
    // No counterpart: the number stays and reads as unknown.
    EXPECT_EQ(SockErrorText(SockErrorFromErrno(EIO)), "Unknown Error " + std::to_string(EIO));
}

TEST(SockErrorFromResolver, MapsResolverFailures) {
    EXPECT_EQ(SockErrorFromResolver(0), 0);
    EXPECT_EQ(SockErrorFromResolver(EAI_NONAME), 11001);
    EXPECT_EQ(SockErrorFromResolver(EAI_AGAIN), 11002);
    EXPECT_EQ(SockErrorFromResolver(EAI_FAIL), 11003);
    EXPECT_EQ(SockErrorFromResolver(EAI_NODATA), 11004);
    EXPECT_EQ(SockErrorFromResolver(EAI_SYSTEM, ECONNREFUSED), 10061);
}

}  // namespace
}  // namespace pontavi
