#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace pontavi {

// A throw-away certificate chain made with the openssl command line in a
// temporary folder, once per test program: a CA, a server certificate it
// signed for "mail.test" and 127.0.0.1, and a self-signed one for the same
// names. Removed at exit.
class TestCertificates {
  public:
    static const TestCertificates& Get() {
        static const TestCertificates certificates;
        return certificates;
    }

    std::string dir;
    std::string caFile, chainFile, keyFile;
    std::string selfSignedChain, selfSignedKey;

    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;
    ~TestCertificates() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

  private:
    TestCertificates() {
        char name[] = "/tmp/pontavi-certs-XXXXXX";
        dir = ::mkdtemp(name) != nullptr ? name : "/tmp";
        caFile = dir + "/ca.pem";
        chainFile = dir + "/server.pem";
        keyFile = dir + "/server.key";
        selfSignedChain = dir + "/self.pem";
        selfSignedKey = dir + "/self.key";
        std::ofstream(dir + "/san.ext") << "subjectAltName=DNS:mail.test,IP:127.0.0.1\n";
        const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        run("openssl req -x509" + key + " -keyout " + dir + "/ca.key -out " + caFile +
            " -days 2 -subj /CN=Pontavi-Test-CA");
        run("openssl req" + key + " -keyout " + keyFile + " -out " + dir +
            "/server.csr -subj /CN=mail.test");
        run("openssl x509 -req -in " + dir + "/server.csr -CA " + caFile + " -CAkey " + dir +
            "/ca.key -CAcreateserial -days 2 -extfile " + dir + "/san.ext -out " + chainFile);
        run("openssl req -x509" + key + " -keyout " + selfSignedKey + " -out " + selfSignedChain +
            " -days 2 -subj /CN=mail.test -addext subjectAltName=DNS:mail.test,IP:127.0.0.1");
    }

    static void run(const std::string& command) {
        const int status = std::system((command + " >/dev/null 2>&1").c_str());
        if (status != 0) {
            ADD_FAILURE() << "failed: " << command;
        }
    }
};

}  // namespace pontavi
