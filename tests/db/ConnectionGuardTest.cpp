// What keeps one request from holding the database for everyone: a statement has a
// time limit, a transaction that only reads takes no write lock and cannot write, a
// connection the server dropped is opened again before the next transaction, and a
// connection can tell whether its role is a superuser.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "core/Convert.h"
#include "db/Database.h"
#include "framework/Outcome.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

class ConnectionGuardTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("humrs_guard_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        location = testing::CreateSharedTestDatabase(folder);
        db = OpenDatabase(location);
    }
    void TearDown() override {
        db.reset();
        std::filesystem::remove_all(folder);
    }

    // A statement that runs for seconds: a cross join on SQLite, a sleep on PostgreSQL.
    std::string SlowStatement() {
        if (db->Kind() == Backend::PostgreSQL) return "Select pg_sleep(5)";
        for (int i = 0; i < 100; ++i)
            db->Execute("Insert Into comBank (BankID, BankName) Values (?, 'x')", {Variant("B" + std::to_string(i))});
        return "Select Count(*) From comBank A, comBank B, comBank C, comBank D";
    }

    int64_t Banks(Database& on) { return CInt((*on.QueryFirst("Select Count(*) From comBank"))[0]); }

    std::filesystem::path folder;
    std::string location;
    std::unique_ptr<Database> db;
};

TEST_F(ConnectionGuardTest, AStatementPastTheTimeLimitIsCancelledAndRefused) {
    EXPECT_EQ(db->StatementTimeLimit(), Database::kDefaultStatementTimeLimit);
    const std::string slow = SlowStatement();
    db->SetStatementTimeLimit(milliseconds(300));
    // Alone, and inside a write transaction, which is then rolled back as usual.
    for (bool inTransaction : {false, true}) {
        SCOPED_TRACE(inTransaction ? "in a transaction" : "alone");
        if (inTransaction) db->BeginWrite();
        const auto started = Clock::now();
        try {
            db->QueryFirst(slow);
            ADD_FAILURE() << "the statement ran to its end";
        } catch (const StatementTimeLimitError& e) {
            EXPECT_EQ(e.Limit(), milliseconds(300));
            EXPECT_NE(std::string(e.what()).find("300 ms"), std::string::npos) << e.what();
            // The client is told the request was refused, not that the database failed.
            const Outcome out = FailureOutcome(std::make_exception_ptr(e));
            EXPECT_EQ(out.failure, Outcome::Kind::Refused);
        }
        EXPECT_LT(Clock::now() - started, std::chrono::seconds(3));
        if (inTransaction) db->Rollback();
    }
    // The connection serves the next statement, and a quick one is not affected.
    db->BeginWrite();
    db->Execute("Insert Into comBank (BankID, BankName) Values ('Z1', 'z')");
    db->Commit();
    EXPECT_GE(Banks(*db), 1);
    // With no limit the connection is left alone.
    db->SetStatementTimeLimit(milliseconds(0));
    EXPECT_EQ(db->StatementTimeLimit(), milliseconds(0));
    EXPECT_TRUE(db->QueryFirst("Select Count(*) From comBank"));
}

TEST_F(ConnectionGuardTest, AReadOnlyTransactionWaitsForNoWriterAndCannotWrite) {
    auto writer = OpenDatabase(location);
    writer->BeginWrite();
    writer->Execute("Insert Into comBank (BankID, BankName) Values ('W1', 'writing')");

    const auto started = Clock::now();
    db->BeginReadOnly();
    EXPECT_EQ(Banks(*db), 0);  // the writer's row is not committed yet
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
    EXPECT_THROW(db->Execute("Insert Into comBank (BankID, BankName) Values ('R1', 'reading')"), DatabaseError);
    db->Rollback();
    writer->Commit();

    // Once it ends, the connection writes again.
    db->BeginWrite();
    db->Execute("Insert Into comBank (BankID, BankName) Values ('R2', 'after')");
    db->Commit();
    EXPECT_EQ(Banks(*writer), 2);
}

TEST_F(ConnectionGuardTest, ASuperuserRoleIsToldApart) {
    if (db->Kind() != Backend::PostgreSQL) {
        EXPECT_FALSE(db->IsSuperuser());
        return;
    }
    // The test server's own role may do anything; a role made for the service may not.
    auto admin = OpenDatabase(location);
    ASSERT_TRUE(admin->IsSuperuser());
    const std::string clerk = "humrs_clerk_" + std::to_string(::getpid());
    admin->Execute("Drop Role If Exists " + clerk);
    admin->Execute("Create Role " + clerk + " NoLogin");
    db->Execute("Set Role " + clerk);
    EXPECT_FALSE(db->IsSuperuser());
    db->Execute("Reset Role");
    EXPECT_TRUE(db->IsSuperuser());
    admin->Execute("Drop Role " + clerk);
}

class PostgresConnectionTest : public ConnectionGuardTest {
protected:
    void SetUp() override {
        if (!testing::TestOnPostgres()) GTEST_SKIP() << "PostgreSQL only";
        ConnectionGuardTest::SetUp();
        killer = OpenDatabase(location);
    }

    // Ends the server session of `db` from another connection, as a server restart or
    // an administrator would, and waits until it is gone.
    void KillSession() {
        const Variant pid = (*db->QueryFirst("Select pg_backend_pid()"))[0];
        killer->QueryFirst("Select pg_terminate_backend(?)", {pid});
        for (int i = 0; i < 100; ++i) {
            if (CInt((*killer->QueryFirst("Select Count(*) From pg_stat_activity Where pid = ?", {pid}))[0]) == 0)
                return;
            std::this_thread::sleep_for(milliseconds(20));
        }
        FAIL() << "the session did not end";
    }

    std::unique_ptr<Database> killer;
};

TEST_F(PostgresConnectionTest, ADroppedConnectionIsOpenedAgainBeforeTheNextTransaction) {
    db->SetStatementTimeLimit(milliseconds(4000));
    // A statement kept prepared on the old session must be prepared anew.
    EXPECT_EQ(Banks(*db), 0);
    KillSession();
    db->BeginWrite();
    db->Execute("Insert Into comBank (BankID, BankName) Values ('B1', 'first')");
    db->Commit();
    EXPECT_EQ(Banks(*db), 1);
    // The session's settings came back with it.
    EXPECT_EQ(CStr((*db->QueryFirst("Select current_setting('statement_timeout')"))[0]), "4s");
    // Between transactions too, for a read.
    KillSession();
    db->BeginReadOnly();
    EXPECT_EQ(Banks(*db), 1);
    db->Commit();
}

TEST_F(PostgresConnectionTest, ALossInsideATransactionIsReportedAndTheNextOneWorks) {
    db->BeginWrite();
    db->Execute("Insert Into comBank (BankID, BankName) Values ('B1', 'lost')");
    KillSession();
    EXPECT_THROW(db->Execute("Insert Into comBank (BankID, BankName) Values ('B2', 'lost')"), DatabaseError);
    // Nothing may run in the lost transaction's place until it is rolled back.
    EXPECT_THROW(db->Execute("Insert Into comBank (BankID, BankName) Values ('B3', 'alone')"), DatabaseError);
    db->Rollback();
    db->BeginWrite();
    db->Execute("Insert Into comBank (BankID, BankName) Values ('B4', 'next')");
    db->Commit();
    EXPECT_EQ(CStr((*killer->QueryFirst("Select Min(BankID) From comBank"))[0]), "B4");
    EXPECT_EQ(Banks(*killer), 1);
}

}  // namespace
}  // namespace humrs
