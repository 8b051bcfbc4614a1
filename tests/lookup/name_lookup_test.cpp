#include "lookup/name_lookup.h"

#include "fakes/fake_clipboard.h"
#include "net/net_fixture.h"
#include "net/system_resolver.h"

namespace pontavi {
namespace {

class NameLookupTest : public NetTest {
  protected:
    NameLookupTest() {
        resolver.addHost("www.example.test", "192.0.2.10");
        resolver.addReverse("192.0.2.10", "www.example.test");
        AutoCopyCB.setChecked(true);
    }
    void resolve(const std::string& text) {
        DNSEdit.userEdit(text);
        Resolve.click();
    }

    TextBox DNSEdit{"DNSEdit"};
    TextBox DNSResult{"DNSResult"};
    Button Resolve{"Resolve", "&Resolve"};
    CheckBox AutoCopyCB{"AutoCopyCB", "Auto-Copy DNS Lookup Result To ClipBoard"};
    FakeClipboard clipboard;
    TServerSocket server{layer};
    NameLookup lookup{{DNSEdit, DNSResult, Resolve, AutoCopyCB}, server, clipboard};
};

TEST_F(NameLookupTest, FewerThanTwoCharactersDoNothing) {
    DNSResult.setText("old");
    resolve("a");
    EXPECT_EQ(DNSResult.Text(), "old");
    EXPECT_TRUE(Resolve.Enabled());
    EXPECT_EQ(resolver.requests(), 0);
}

TEST_F(NameLookupTest, ForwardLookupShowsCopiesAndReselects) {
    const int focusBefore = DNSEdit.FocusRequests();
    resolve("www.example.test");
    EXPECT_EQ(DNSResult.Text(), "192.0.2.10");
    EXPECT_EQ(clipboard.text(), "192.0.2.10");
    EXPECT_TRUE(Resolve.Enabled());
    EXPECT_EQ(DNSEdit.SelLength(), DNSEdit.Text().size());
    EXPECT_GT(DNSEdit.FocusRequests(), focusBefore);
}

TEST_F(NameLookupTest, ReverseLookupForTextStartingWithADigit) {
    resolve("192.0.2.10");
    EXPECT_EQ(DNSResult.Text(), "www.example.test");
    resolve("3com.example");  // a name starting with a digit is taken as an address
    EXPECT_EQ(DNSResult.Text(), "Unable to resolve");
}

TEST_F(NameLookupTest, FailureIsNeverCopied) {
    clipboard.copyFromElsewhere("before");
    resolve("nowhere.test");
    EXPECT_EQ(DNSResult.Text(), "Unable to resolve");
    EXPECT_EQ(clipboard.text(), "before");
}

TEST_F(NameLookupTest, AllZeroAddressFailsWithoutAskingTheResolver) {
    resolve("0.0.0.0");
    EXPECT_EQ(DNSResult.Text(), "Unable to resolve");
    EXPECT_EQ(resolver.requests(), 0);
}

TEST_F(NameLookupTest, ResolveStaysDisabledWhileTheLookupWaits) {
    resolver.setDelay("www.example.test", 3000);
    bool disabledDuringWait = false;
    loop.addTimer(1000, [&] { disabledDuringWait = !Resolve.Enabled(); });
    resolve("www.example.test");
    EXPECT_TRUE(disabledDuringWait);
    EXPECT_EQ(DNSResult.Text(), "192.0.2.10");
}

TEST_F(NameLookupTest, NoCopyWhenAutoCopyIsOff) {
    AutoCopyCB.setChecked(false);
    resolve("www.example.test");
    EXPECT_EQ(DNSResult.Text(), "192.0.2.10");
    EXPECT_FALSE(clipboard.text().has_value());
}

TEST(NameLookupSystemResolver, ResolvesLocalhostBothWays) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    SystemResolver resolver(loop);
    SocketLayer layer(loop, resolver);
    TextBox DNSEdit{"DNSEdit"}, DNSResult{"DNSResult"};
    Button Resolve{"Resolve", "&Resolve"};
    CheckBox AutoCopyCB{"AutoCopyCB", ""};
    FakeClipboard clipboard;
    TServerSocket server(layer);
    NameLookup lookup({DNSEdit, DNSResult, Resolve, AutoCopyCB}, server, clipboard);

    DNSEdit.userEdit("localhost");
    lookup.ResolveClick();
    EXPECT_EQ(DNSResult.Text(), "127.0.0.1");
    DNSEdit.userEdit("127.0.0.1");
    lookup.ResolveClick();
    EXPECT_NE(DNSResult.Text(), "Unable to resolve");
    EXPECT_FALSE(DNSResult.Text().empty());
}

}  // namespace
}  // namespace pontavi
