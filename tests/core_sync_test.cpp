// The CardDAV client against a real Radicale server.
#include "core/sync/discovery.h"
#include "tests/support/fixtures.h"
#include "tests/support/radicale.h"

#include <gtest/gtest.h>

namespace {

using testsupport::Radicale;

class SyncServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const QString why = Radicale::missing(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        ASSERT_TRUE(server.start()) << server.error().toStdString();
    }
    Radicale server;
};

TEST_F(SyncServer, FindsTheBooksOfTheUserFromTheServerOrABook)
{
    const QUrl work = server.addBook("work", "Work");
    server.addBook("home", "Home");
    core::DavClient client(Radicale::user(), Radicale::password());
    for (const QUrl &start : {server.url(), server.url("/alice/"), work}) {
        const auto books = core::findAddressBooks(client, start);
        ASSERT_TRUE(books) << books.error().toStdString();
        QStringList names;
        for (const auto &book : *books)
            names << book.displayName + ' ' + book.url.path();
        names.sort();
        EXPECT_EQ(names, start == work ? QStringList{"Work /alice/work/"}
                                       : QStringList({"Home /alice/home/", "Work /alice/work/"}))
            << start.toString().toStdString();
    }
    core::DavClient wrong(Radicale::user(), "wrong");
    const auto refused = core::findAddressBooks(wrong, server.url());
    EXPECT_TRUE(!refused && refused.error().contains("refused the user name or password"))
        << refused.error().toStdString();
}

} // namespace
