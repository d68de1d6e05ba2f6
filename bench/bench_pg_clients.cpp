// Saves per second of personal leave on PostgreSQL as clients are added: 1, 2, 4 and 8
// client threads, each saving leave for persons of its own through `humrs serve` (the
// humrs program beside this one) over one kept-alive HTTP connection, and beside it in
// the same run the bare cost: the statements one such save sends to the server,
// prepared, straight through libpq in a transaction of their own without any lock,
// from the same number of threads.
//
//   bench_pg_clients [--seconds N] [--persons N] [--numbered] [--humrs PATH]
//
// The server comes from HUMRS_BENCH_PG_URL or else HUMRS_TEST_PG_URL
// (postgresql://user@host:port, as scripts/pg_server.sh gives it); without one the
// benchmark says so and does nothing. It creates a database of its own and drops it
// at the end. Bills carry the client's numbers (one date prefix per thread); with
// --numbered the service numbers them from the server date instead.
#include <arpa/inet.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/Loopback.h"
#include "support/MorningLeave.h"

#include "core/Convert.h"
#include "core/Text.h"
#include "db/Database.h"
#include "db/PostgresDatabase.h"
#include "db/SqlTranslator.h"
#include "framework/ComBase.h"
#include "hosting/ClassTable.h"
#include "suite/Seed.h"
#include "utils/DateUtils.h"

using namespace humrs;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

const std::string kToken = "bench-pg-clients-token-0123456789";
constexpr int kMaxClients = 8;
const std::string kTemplatePerson = "TPLPERSON";
const std::string kTemplateBill = "TPLBILL00002";
const std::string kTemplateDate = "20050104";  // the day of the recorded save

std::string PersonId(int thread, int k) { return "C" + std::to_string(thread) + "P" + std::to_string(k); }

// Working days from 3 January 2005 on: the leave dates, one per save of a person.
std::vector<int> WorkingDays(int count) {
    std::vector<int> days;
    for (int date = 20050103; static_cast<int>(days.size()) < count; date = AddDay(date, 1))
        if (WeekDay(date) >= 1 && WeekDay(date) <= 5) days.push_back(date);
    return days;
}

std::string LeaveJson(const std::string& billNo, const std::string& person, int date) {
    std::string row = R"({"PersonID":")" + person + R"(","ExcuseClsID":"SJ","BeginDate":)" + std::to_string(date) +
                      R"(,"BeginTime":800,"EndDate":)" + std::to_string(date) +
                      R"(,"EndTime":1200,"ExcuseCount":4)";
    if (!billNo.empty()) row += R"(,"BillNo":")" + billNo + "\"";
    return R"({"progid":"QVXHumrs.Excuse","bill":{"datasets":[[)" + row + "}]]}}";
}

// ---------------------------------------------------------------- HTTP, kept alive

class Client {
public:
    explicit Client(int port) {
        fd_ = humrs::testing::ConnectLoopback(port);
    }
    ~Client() {
        if (fd_ >= 0) ::close(fd_);
    }
    // Posts a body on the open connection; the answer's status, 0 when the connection failed.
    int Post(const std::string& path, const std::string& body) {
        if (fd_ < 0) return 0;
        const std::string request = "POST " + path + " HTTP/1.1\r\nHost: bench\r\nAuthorization: Bearer " + kToken +
                                    "\r\nContent-Type: application/json\r\nContent-Length: " +
                                    std::to_string(body.size()) + "\r\n\r\n" + body;
        if (::send(fd_, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) return 0;
        size_t headerEnd;
        while ((headerEnd = buffer_.find("\r\n\r\n")) == std::string::npos)
            if (!Fill()) return 0;
        const int status = buffer_.size() > 12 ? std::atoi(buffer_.c_str() + 9) : 0;
        size_t length = 0;
        const size_t at = LowerAscii(buffer_.substr(0, headerEnd)).find("content-length:");
        if (at != std::string::npos) length = std::strtoul(buffer_.c_str() + at + 15, nullptr, 10);
        while (buffer_.size() < headerEnd + 4 + length)
            if (!Fill()) return 0;
        last_ = buffer_.substr(headerEnd + 4, length);
        buffer_.erase(0, headerEnd + 4 + length);
        return status;
    }
    const std::string& LastBody() const { return last_; }

private:
    static std::string LowerAscii(std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    }
    bool Fill() {
        char chunk[8192];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffer_.append(chunk, static_cast<size_t>(n));
        return true;
    }
    int fd_ = -1;
    std::string buffer_, last_;
};


// ---------------------------------------------------------------- the bare statements

// One statement of a save as the server receives it: PostgreSQL text, values as text
// (nullopt for Null).
struct BareStatement {
    std::string sql;
    std::vector<std::optional<std::string>> values;
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
    return text;
}

// Saves the template person's leave once to warm the connection, then once more with
// the recorder on: what that save sent to the server, translated as the backend does.
std::vector<BareStatement> StatementsOfOneSave(const std::string& url, size_t& roundTripsOfHumrs) {
    auto db = OpenPostgres(url);
    Session session(*db, ComponentRegistry());
    session.serverDate = 20050115;
    auto save = [&](const std::string& billNo, int date) {
        const Outcome out = humrs::testing::SaveMorningLeave(session, billNo, kTemplatePerson, date);
        if (!out.ok) throw std::runtime_error("template save: " + out.error);
    };
    save("TPLBILL00001", 20050103);
    db->Recorder().Start();
    save(kTemplateBill, std::stoi(kTemplateDate));
    db->Recorder().Stop();
    std::map<std::string, std::vector<ResultColumn>> columns;
    SqlTranslator translator(Backend::PostgreSQL, [&](std::string_view table, std::string_view column) {
        auto it = columns.find(std::string(table));
        if (it == columns.end()) it = columns.emplace(std::string(table), db->TableColumns(std::string(table))).first;
        for (const ResultColumn& c : it->second)
            if (LowerAscii(c.name) == LowerAscii(column)) return c.type;
        return ColumnType::Unknown;
    });
    std::vector<BareStatement> statements;
    for (const auto& sent : db->Recorder().SentStatements()) {
        BareStatement s{translator.Translate(sent.sql).sql, {}};
        for (const Variant& v : sent.params) {
            // As the backend binds them: flags as 1 and 0, amounts with four decimals.
            std::optional<std::string> text;
            if (v.Type() == VarType::Bool) text = v.AsBool() ? "1" : "0";
            else if (v.Type() == VarType::Currency) {
                char buffer[64];
                std::snprintf(buffer, sizeof buffer, "%.4f", v.AsCurrency().ToDouble());
                text = buffer;
            }
            else if (!v.IsNullOrEmpty()) text = CStr(v);
            s.values.push_back(text);
        }
        statements.push_back(std::move(s));
    }
    // Beside the statements: BEGIN with the locks, and COMMIT.
    roundTripsOfHumrs = statements.size() + 2;
    return statements;
}

// The statements of one save for another person and bill number.
std::vector<BareStatement> For(const std::vector<BareStatement>& statements, const std::string& person,
                               const std::string& billNo) {
    std::vector<BareStatement> out = statements;
    for (BareStatement& s : out) {
        s.sql = Replaced(Replaced(s.sql, kTemplateBill, billNo), kTemplatePerson, person);
        for (auto& v : s.values)
            if (v) *v = Replaced(Replaced(*v, kTemplateBill, billNo), kTemplatePerson, person);
    }
    return out;
}

bool Ok(PGresult* res) {
    const ExecStatusType status = PQresultStatus(res);
    PQclear(res);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

// One thread of the bare run: its own connection, its statements prepared once, then
// saves until the deadline. The saves done; -1 when a statement failed.
long BareThread(const std::string& url, const std::vector<BareStatement>& statements, int thread, int clients,
                long& serial, Clock::time_point start, Clock::time_point deadline) {
    PGconn* conn = PQconnectdb(url.c_str());
    if (PQstatus(conn) != CONNECTION_OK) return PQfinish(conn), -1;
    // The person and bill number go in as values where the save binds them and as text
    // where the class writes them into its statements: a statement text per save would
    // not be prepared, so the bare run keeps one person and varies the bound number.
    const std::string person = PersonId(thread, 0);
    const std::vector<BareStatement> mine = For(statements, person, kTemplateBill);
    std::vector<std::string> names;
    for (size_t i = 0; i < mine.size(); ++i) {
        names.push_back("bare" + std::to_string(i));
        if (!Ok(PQprepare(conn, names.back().c_str(), mine[i].sql.c_str(), static_cast<int>(mine[i].values.size()),
                          nullptr)))
            return PQfinish(conn), -1;
    }
    std::this_thread::sleep_until(start);
    long saves = 0;
    while (Clock::now() < deadline) {
        const std::string billNo = "X" + std::to_string(clients) + "T" + std::to_string(thread) + "N" +
                                   std::to_string(saves);
        // A day of its own for every save, as the clients of humrs take: the attendance
        // detail of the person and day is a new row each time.
        const std::string date = std::to_string(AddDay(20100101, static_cast<int>(serial++)));
        if (!Ok(PQexec(conn, "BEGIN"))) return PQfinish(conn), -1;
        for (size_t i = 0; i < mine.size(); ++i) {
            std::vector<std::string> texts;
            std::vector<const char*> values;
            texts.reserve(mine[i].values.size());
            for (const auto& v : mine[i].values) {
                texts.push_back(v ? (*v == kTemplateDate ? date : Replaced(*v, kTemplateBill, billNo)) : std::string());
                values.push_back(v ? texts.back().c_str() : nullptr);
            }
            if (!Ok(PQexecPrepared(conn, names[i].c_str(), static_cast<int>(values.size()), values.data(), nullptr,
                                   nullptr, 0))) {
                std::fprintf(stderr, "bare: %s\n%s\n", PQerrorMessage(conn), mine[i].sql.c_str());
                return PQfinish(conn), -1;
            }
        }
        if (!Ok(PQexec(conn, "COMMIT"))) return PQfinish(conn), -1;
        ++saves;
    }
    PQfinish(conn);
    return saves;
}

// One client of humrs: saves leave for its persons, each on the person's next working
// day, until the deadline. The saves accepted; failures counted apart.
long HumrsThread(int port, int thread, int clients, int persons, bool numbered, const std::vector<int>& days,
                 std::vector<int>& nextDay, Clock::time_point start, Clock::time_point deadline,
                 std::atomic<long>& failed) {
    Client client(port);
    std::this_thread::sleep_until(start);
    long saves = 0;
    for (long i = 0; Clock::now() < deadline; ++i) {
        const int k = static_cast<int>(i % persons);
        int& day = nextDay[static_cast<size_t>(k)];
        if (day >= static_cast<int>(days.size())) break;
        const std::string billNo =
            numbered ? "" : "H" + std::to_string(clients) + "T" + std::to_string(thread) + "N" + std::to_string(i);
        const int status = client.Post("/v1/save", LeaveJson(billNo, PersonId(thread, k), days[day++]));
        if (status == 200)
            ++saves;
        else if (failed++ == 0)
            std::fprintf(stderr, "humrs: %d %s\n", status, client.LastBody().c_str());
    }
    return saves;
}

template <class F>
double SavesPerSecond(int clients, double seconds, F run) {
    const auto start = Clock::now() + std::chrono::milliseconds(200);
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::vector<long> done(static_cast<size_t>(clients), 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t)
        threads.emplace_back([&, t] { done[static_cast<size_t>(t)] = run(t, start, deadline); });
    for (auto& th : threads) th.join();
    long total = 0;
    for (long d : done) {
        if (d < 0) return -1;
        total += d;
    }
    return static_cast<double>(total) / seconds;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 3;
    int persons = 20;
    bool numbered = false;
    std::string humrs = (fs::read_symlink("/proc/self/exe").parent_path() / "humrs").string();
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--numbered") numbered = true;
        else if (flag == "--seconds" && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (flag == "--persons" && i + 1 < argc) persons = std::atoi(argv[++i]);
        else if (flag == "--humrs" && i + 1 < argc) humrs = argv[++i];
    }
    const char* serverEnv = std::getenv("HUMRS_BENCH_PG_URL");
    if (!serverEnv || !*serverEnv) serverEnv = std::getenv("HUMRS_TEST_PG_URL");
    if (!serverEnv || !*serverEnv) {
        std::printf("bench_pg_clients: no PostgreSQL server given (HUMRS_BENCH_PG_URL or HUMRS_TEST_PG_URL); "
                    "start one with scripts/pg_server.sh\n");
        return 0;
    }
    std::string server = serverEnv;
    while (!server.empty() && server.back() == '/') server.pop_back();
    const std::string name = "humrs_bench_clients_" + std::to_string(::getpid());
    const std::string url = server + "/" + name;
    auto admin = OpenPostgres(server + "/postgres");
    admin->Execute("CREATE DATABASE " + name);

    const std::vector<int> days = WorkingDays(2000);
    {
        auto db = OpenPostgres(url);
        CreateComponentSchema(*db);
        db->BeginWrite();
        AddWorkClass(*db, {.classId = "DAY"});
        AddSchedule(*db, "S-DAY", FiveDayWeek("DAY"));
        AddLeaveCategory(*db, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal});
        AddPerson(*db, {.personId = kTemplatePerson, .onJobDate = 20000101, .jobSch = "S-DAY"});
        for (int t = 0; t < kMaxClients; ++t)
            for (int k = 0; k < persons; ++k)
                AddPerson(*db, {.personId = PersonId(t, k), .onJobDate = 20000101, .jobSch = "S-DAY"});
        db->Commit();
    }
    size_t roundTrips = 0;
    const std::vector<BareStatement> statements = StatementsOfOneSave(url, roundTrips);

    const fs::path folder = fs::temp_directory_path() / ("bench-pg-clients-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "token") << kToken << "\n";
    const int port = humrs::testing::FreeLoopbackPort();
    const pid_t service = ::fork();
    if (service == 0) {
        const std::string listen = "127.0.0.1:" + std::to_string(port);
        const std::string token = (folder / "token").string();
        ::freopen("/dev/null", "w", stdout);
        ::execl(humrs.c_str(), humrs.c_str(), "--db", url.c_str(), "serve", "--listen", listen.c_str(),
                "--token-file", token.c_str(), "--threads", "8", "--db-connections", "8",
                static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    for (int i = 0; i < 100; ++i) {
        Client probe(port);
        if (probe.Post("/v1/health", "") != 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    std::printf("personal leave saved by 1-%d clients, %.1f s each, %d persons per client%s\n", kMaxClients, seconds,
                persons, numbered ? ", numbered by the service" : "");
    std::printf("statements one save sends: %zu, with BEGIN (and its locks) and COMMIT %zu round trips\n",
                statements.size(), roundTrips);
    std::printf("%8s %14s %14s %8s\n", "clients", "humrs saves/s", "bare saves/s", "ratio");
    std::vector<std::vector<int>> nextDay(kMaxClients, std::vector<int>(static_cast<size_t>(persons), 0));
    std::vector<long> bareSerial(kMaxClients, 0);
    std::atomic<long> failed{0};
    int status = 0;
    for (int clients : {1, 2, 4, 8}) {
        const double viaHumrs = SavesPerSecond(clients, seconds, [&](int t, auto start, auto deadline) {
            return HumrsThread(port, t, clients, persons, numbered, days, nextDay[static_cast<size_t>(t)], start,
                               deadline, failed);
        });
        const double bare = SavesPerSecond(clients, seconds, [&](int t, auto start, auto deadline) {
            return BareThread(url, statements, t, clients, bareSerial[static_cast<size_t>(t)], start, deadline);
        });
        if (bare < 0) status = 1;
        std::printf("%8d %14.0f %14.0f %8.2f\n", clients, viaHumrs, bare, bare > 0 ? viaHumrs / bare : 0.0);
        std::fflush(stdout);
    }
    std::printf("saves refused or failed through humrs: %ld\n", failed.load());

    ::kill(service, SIGTERM);
    ::waitpid(service, nullptr, 0);
    fs::remove_all(folder);
    admin->Execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    return status != 0 || failed > 0 ? 1 : 0;
}
