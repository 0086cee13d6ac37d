// A journal written line by line and read back in pieces: every change, in order and last first,
// whatever size the pieces have and wherever their boundaries fall.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "package/journal.h"
#include "tests/unit/fakes/fake_file_system.h"

namespace velk::testing {
namespace {

const char* const kPath = "C:\\work\\journal";

std::string described(const Change& change) {
    return std::to_string(static_cast<int>(change.kind)) + " " + std::to_string(change.folder) +
           " " + change.name + " " + change.slot + " " + std::to_string(change.before) + ">" +
           std::to_string(change.after);
}

TEST(JournalTable, IsReadBackInOrderAndLastFirstAcrossPieces) {
    const std::vector<Change> changes = {
        {ChangeKind::Add, 0, "a.zlb", "0\\0"},
        {ChangeKind::Replace, 0, "a much longer name than a piece.zlb", "0\\1"},
        {ChangeKind::NewFolder, 1, "", "f0"},
        {ChangeKind::Remove, 0, "d.zlb", "1\\0"},
        {ChangeKind::Attributes, 1, "e.zlb", "", 1, 6},
    };
    struct Row {
        const char* name;
        std::size_t pieceSize;
    };
    const std::vector<Row> rows = {
        {"the whole journal in one piece", kJournalPiece},
        {"pieces shorter than a line", 7},
        {"pieces as long as the first change's line", 16},
        {"one byte at a time", 1},
    };
    std::vector<std::string> expected;
    for (const Change& change : changes) {
        expected.push_back(described(change));
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeFileSystem files;
        files.addFolder("C:\\work");
        std::optional<JournalWriter> writer;
        ASSERT_TRUE(JournalWriter::create(files, kPath, {"", "English"}, writer));
        for (const Change& change : changes) {
            ASSERT_TRUE(writer->add(change));
        }
        ASSERT_TRUE(writer->finish());

        FsResult opened;
        const std::optional<JournalReader> journal =
            JournalReader::open(files, kPath, opened, row.pieceSize);
        ASSERT_TRUE(journal) << opened.error();
        EXPECT_EQ(journal->folders(), (std::vector<std::string>{"", "English"}));
        EXPECT_EQ(journal->size(), changes.size());
        std::vector<std::string> forward;
        ASSERT_TRUE(journal->forward(
            [&forward](const Change& change) { forward.push_back(described(change)); }));
        EXPECT_EQ(forward, expected);
        std::vector<std::string> backward;
        ASSERT_TRUE(journal->backward([&backward](const Change& change) {
            backward.insert(backward.begin(), described(change));
        }));
        EXPECT_EQ(backward, expected);
    }
}

} // namespace
} // namespace velk::testing
