#include "launch/launch_record.h"

#include <gtest/gtest.h>

namespace pontavi {
namespace {

struct RecordCase {
    const char* record;
    const char* title;
    const char* executable;
    const char* parameters;
    const char* style;
    const char* row;
};

TEST(LaunchRecordTest, FieldsEndAtTheFirstMarkOfWhatIsLeft) {
    const RecordCase cases[] = {
        {"Mail?/usr/bin/mail??1", "Mail", "/usr/bin/mail", "", "1", "Mail"},
        {"T?/p?-a -b?2", "T", "/p", "-a -b", "2", "T"},
        {"no marks", "no marks", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"A?/p?x?y?0", "A", "/p", "x", "y?0", "A"},  // a "?" typed in the parameters shifts
        {"?/p??", "", "/p", "", "", ""},
        {"T?/p?", "T", "/p", "", "", "T"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        const LaunchEntry e = ReadLaunchRecord(c.record);
        EXPECT_EQ(e.Title, c.title);
        EXPECT_EQ(e.Executable, c.executable);
        EXPECT_EQ(e.Parameters, c.parameters);
        EXPECT_EQ(e.Style, c.style);
        EXPECT_EQ(LaunchRecordTitle(c.record), c.row);
    }
}

TEST(LaunchRecordTest, WrittenRecordReadsBack) {
    const std::string record = WriteLaunchRecord("Mail", "/usr/bin/mail", "", 1);
    EXPECT_EQ(record, "Mail?/usr/bin/mail??1");
    const LaunchEntry e = ReadLaunchRecord(WriteLaunchRecord("T", "/a b/c", "\"x y\" 'z'", 2));
    EXPECT_EQ(e.Executable, "/a b/c");
    EXPECT_EQ(e.Parameters, "\"x y\" 'z'");
    EXPECT_EQ(e.Style, "2");
}

}  // namespace
}  // namespace pontavi
