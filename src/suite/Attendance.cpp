#include "suite/AttendanceMessages.h"
#include "suite/Attendance.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "core/DataPacket.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/Convert.h"
#include "core/Text.h"
#include "utils/TimeUtils.h"

namespace humrs {

namespace {

// Work state of a person on leave without pay (humPersonExtend.WorkState).
constexpr int kWorkStateSuspended = 5;

constexpr int64_t kMinutesPerDay = 1440;
// A longer span than this is bad data, not a leave: it is not walked day by day.
constexpr int kMaxSpanDays = 3700;

struct Employment {
    QVXDate onJob = 0;
    QVXDate leaveJob = 0;
};

std::optional<Employment> ReadEmployment(Database& db, const std::string& personId) {
    if (Trim(personId).empty()) return std::nullopt;
    auto row = db.QueryFirst("Select OnJobDate, LeaveJobDate From comPerson Where PersonID = ?",
                             {Variant(personId)});
    if (!row) return std::nullopt;
    return Employment{static_cast<QVXDate>(CInt((*row)[0])), static_cast<QVXDate>(CInt((*row)[1]))};
}

bool EmployedOn(const Employment& e, QVXDate date) {
    return e.onJob != 0 && date != 0 && e.onJob <= date && (e.leaveJob == 0 || date <= e.leaveJob);
}

bool IsYearMonth(QVXDate value) { return value >= 100001 && value <= 999912 && value % 100 >= 1 && value % 100 <= 12; }

// Minutes from the epoch to the start of the date; nullopt for an invalid date.
std::optional<int64_t> DayStart(QVXDate date) {
    if (!IsValidDate(date)) return std::nullopt;
    const std::chrono::sys_days days{QVXDate2Date(date)};
    return static_cast<int64_t>(days.time_since_epoch().count()) * kMinutesPerDay;
}

struct Interval {
    int64_t begin = 0;
    int64_t end = 0;
    int64_t Length() const { return end > begin ? end - begin : 0; }
};

int64_t Overlap(const Interval& a, const Interval& b) {
    const int64_t lo = std::max(a.begin, b.begin);
    const int64_t hi = std::min(a.end, b.end);
    return hi > lo ? hi - lo : 0;
}

struct WorkClass {
    int onDuty = 0;
    int offDuty = 0;
    int restBegin = -1;
    int restEnd = -1;
};

// The class of a row that selects its ClassID and then its four times (the ClassID
// Null or blank: no class, a rest day).
std::optional<WorkClass> ClassOfRow(const std::vector<Variant>& row) {
    if (Trim(CStr(row[1])).empty()) return std::nullopt;
    WorkClass c;
    c.onDuty = static_cast<int>(CInt(row[2]));
    c.offDuty = static_cast<int>(CInt(row[3]));
    c.restBegin = static_cast<int>(CInt(row[4]));
    c.restEnd = static_cast<int>(CInt(row[5]));
    return c;
}

// A person's shifts over a span of dates, read in one go: the classes set for single
// dates, which win, and the work schedule's class for each weekday, each with its
// times. A class is looked up as GetClassNo gives it, without surrounding blanks.
struct ShiftBook {
    std::map<QVXDate, std::optional<WorkClass>> byDate;
    std::map<int, std::optional<WorkClass>> byWeekDay;

    static std::vector<Database::Read> Reads(const std::string& personId, QVXDate first, QVXDate last) {
        // The schedule's days that the span meets: all seven from a week on, else the
        // run of weekdays from the first date's (0 Sunday to 6 Saturday), counted on
        // past the week's end. One text for every span, and no list, which SQLite
        // builds anew each time it runs the statement.
        std::string weekDays;
        std::vector<Variant> scheduleParams{Variant(personId), Variant("")};
        if (IsValidDate(first) && IsValidDate(last) && first <= last && DaysBetween(first, last) < 6) {
            weekDays = " And (S.WeekDay - ? + 7) % 7 <= ?";
            scheduleParams.emplace_back(WeekDay(first));
            scheduleParams.emplace_back(DaysBetween(first, last));
        }
        return {{"Select D.WorkDate, C.ClassID, C.OnDutyTime, C.OffDutyTime, C.RestBeginTime, C.RestEndTime "
                 "From humPersonClassDate D Left Join humClass C On C.ClassID = LTrim(RTrim(D.ClassID)) "
                 "Where D.PersonID = ? And D.WorkDate >= ? And D.WorkDate <= ?",
                 {Variant(personId), Variant(first), Variant(last)}},
                {"Select S.WeekDay, C.ClassID, C.OnDutyTime, C.OffDutyTime, C.RestBeginTime, C.RestEndTime "
                 "From humPersonExtend P Inner Join humJobScheduleDay S On S.SchID = LTrim(RTrim(P.JobSch)) "
                 "Left Join humClass C On C.ClassID = LTrim(RTrim(S.ClassID)) "
                 "Where P.PersonID = ? And LTrim(RTrim(P.JobSch)) <> ?" + weekDays,
                 std::move(scheduleParams)}};
    }
    // From the results of Reads, in their order; the first row of a date or weekday counts.
    ShiftBook(const ResultSet& dates, const ResultSet& weekDays) {
        for (const auto& row : dates.rows) byDate.emplace(static_cast<QVXDate>(CInt(row[0])), ClassOfRow(row));
        for (const auto& row : weekDays.rows) byWeekDay.emplace(static_cast<int>(CInt(row[0])), ClassOfRow(row));
    }
    static ShiftBook Read(Database& db, const std::string& personId, QVXDate first, QVXDate last) {
        const std::vector<ResultSet> rs = db.QueryEach(Reads(personId, first, last));
        return ShiftBook(rs[0], rs[1]);
    }
    const WorkClass* On(QVXDate date) const {
        if (auto it = byDate.find(date); it != byDate.end()) return it->second ? &*it->second : nullptr;
        auto it = byWeekDay.find(WeekDay(date));
        return it != byWeekDay.end() && it->second ? &*it->second : nullptr;
    }
};

// The working pieces of a shift that starts on `date`: on duty to off duty, less
// the break. Empty when the class has no working time.
std::vector<Interval> ShiftPieces(const WorkClass& c, QVXDate date) {
    const auto start = DayStart(date);
    if (!start || c.onDuty < 0 || c.offDuty < 0) return {};
    const int64_t on = TimeToMinutes(c.onDuty);
    int64_t off = TimeToMinutes(c.offDuty);
    if (c.offDuty == 0 && c.onDuty > 0) off = kMinutesPerDay;  // works to midnight
    if (off == on) return {};
    if (off < on) off += kMinutesPerDay;                      // night shift
    Interval shift{*start + on, *start + off};
    if (c.restBegin < 0 || c.restEnd < 0 || c.restBegin == c.restEnd) return {shift};
    // Place the break on the shift's own clock: a time before the on-duty time is
    // after midnight.
    int64_t rb = TimeToMinutes(c.restBegin);
    int64_t re = TimeToMinutes(c.restEnd);
    if (rb < on) rb += kMinutesPerDay;
    if (re < on) re += kMinutesPerDay;
    if (re < rb) re += kMinutesPerDay;
    rb = std::clamp(*start + rb, shift.begin, shift.end);
    re = std::clamp(*start + re, shift.begin, shift.end);
    std::vector<Interval> pieces;
    if (rb > shift.begin) pieces.push_back({shift.begin, rb});
    if (shift.end > re) pieces.push_back({re, shift.end});
    return pieces;
}

// The leave span on the running minute clock; nullopt when it is empty or a date is
// invalid.
std::optional<Interval> LeaveSpan(QVXDate beginDate, QVXDate endDate, int beginTime, int endTime) {
    const auto b = DayStart(beginDate);
    const auto e = DayStart(endDate);
    if (!b || !e) return std::nullopt;
    const int bt = beginTime < 0 ? 0 : beginTime;
    const int et = endTime < 0 ? 2400 : endTime;
    Interval span{*b + TimeToMinutes(bt), *e + TimeToMinutes(et)};
    if (beginDate == endDate && endTime >= 0 && et < bt) span.end += kMinutesPerDay;
    if (span.end <= span.begin) return std::nullopt;
    return span;
}

struct ShiftShare {
    double leaveMinutes = 0;  // working minutes of the shift inside the leave
    double shiftMinutes = 0;  // working minutes of the whole shift
};

// The first date whose shift may reach into a span beginning on `date`: a night shift
// of the day before may.
QVXDate ShiftsFrom(QVXDate date) {
    const QVXDate before = AddDay(date, -1);
    return before != 0 ? before : date;
}

// The leave's share of each shift it touches, by the date the shift starts on; `book`
// holds the shifts from ShiftsFrom(beginDate) to endDate.
std::map<QVXDate, ShiftShare> LeaveByShift(const ShiftBook& book, const Interval& leave, QVXDate beginDate,
                                           QVXDate endDate) {
    std::map<QVXDate, ShiftShare> out;
    for (QVXDate d = ShiftsFrom(beginDate); d != 0 && d <= endDate; d = AddDay(d, 1)) {
        const WorkClass* shift = book.On(d);
        if (!shift) continue;
        ShiftShare share;
        for (const Interval& piece : ShiftPieces(*shift, d)) {
            share.shiftMinutes += static_cast<double>(piece.Length());
            share.leaveMinutes += static_cast<double>(Overlap(piece, leave));
        }
        if (share.leaveMinutes > 0) out[d] = share;
    }
    return out;
}

bool SpanTooLong(QVXDate beginDate, QVXDate endDate) { return DaysBetween(beginDate, endDate) > kMaxSpanDays; }

std::string JoinIds(const ResultSet& rs, bool quoted) {
    std::string out;
    for (const auto& row : rs.rows) {
        const std::string id = CStr(row[0]);
        if (!out.empty()) out += ",";
        out += quoted ? QuoteStr(id) : id;
    }
    return out;
}

// ---- attendance detail

using PersonDates = std::map<std::string, std::set<QVXDate>>;

void AddDates(PersonDates& out, const Variant& person, QVXDate first, QVXDate last) {
    const std::string id = Trim(CStr(person));
    if (id.empty() || !IsValidDate(first)) return;
    if (!IsValidDate(last) || last < first) last = first;
    if (SpanTooLong(first, last)) last = AddDay(first, kMaxSpanDays);
    for (QVXDate d = first; d != 0 && d <= last; d = AddDay(d, 1)) out[id].insert(d);
}

// The (person, date) pairs one record of the change set touches, from one version
// of its values (`get` reads a field of that version).
template <class Get>
void CollectVersion(int kind, PersonDates& out, Get get) {
    const Variant person = get("PersonID");
    switch (kind) {
        case kDetailLeave: {
            const QVXDate b = static_cast<QVXDate>(CInt(get("BeginDate")));
            const QVXDate e = static_cast<QVXDate>(CInt(get("EndDate")));
            AddDates(out, person, IsValidDate(b) ? AddDay(b, -1) : b, e);
            break;
        }
        case kDetailOverTime: {
            const QVXDate d = static_cast<QVXDate>(CInt(get("OverTimeDate")));
            AddDates(out, person, d, d);
            break;
        }
        case kDetailHourWork: {
            const QVXDate d = static_cast<QVXDate>(CInt(get("WorkDate")));
            AddDates(out, person, d, d);
            break;
        }
        default: break;
    }
}

PersonDates TouchedDates(int kind, const Variant& changeSet) {
    PersonDates out;
    DeltaDataset delta(changeSet);
    const std::vector<std::string> needed =
        kind == kDetailLeave      ? std::vector<std::string>{"PersonID", "BeginDate", "EndDate"}
        : kind == kDetailOverTime ? std::vector<std::string>{"PersonID", "OverTimeDate"}
                                  : std::vector<std::string>{"PersonID", "WorkDate"};
    for (const auto& f : needed)
        if (!delta.HasField(f)) return out;
    for (delta.First(); !delta.Eof(); delta.Next()) {
        // The stored version (Null throughout for an inserted row) ...
        CollectVersion(kind, out, [&](const char* f) { return delta.OldValue(f); });
        // ... and the version as it is stored now (none for a deleted row).
        if (delta.Status() != UpdateStatus::Deleted)
            CollectVersion(kind, out, [&](const char* f) { return delta.RealFieldValue(f); });
    }
    return out;
}

// What the detail of one person over [first, last] is built from: reads that go to the
// database together, and what their results give (figures per date).
struct DetailReads {
    static constexpr size_t kStored = 0;  // the detail rows as they are
    static std::vector<Database::Read> For(int kind, const std::string& personId, QVXDate first, QVXDate last) {
        const Variant person(personId);
        std::vector<Database::Read> reads{
            {"Select DetailDate, LeaveMinutes, OverTimeHours, HourWorkHours From humAttendDetail "
             "Where PersonID = ? And DetailDate >= ? And DetailDate <= ?",
             {person, Variant(first), Variant(last)}}};
        switch (kind) {
            case kDetailLeave: {
                reads.push_back({"Select BeginDate, BeginTime, EndDate, EndTime From humExcuse Where Flag <> ? "
                                 "And PersonID = ? And BeginDate <= ? And EndDate >= ?",
                                 {Variant(3), person, Variant(AddDay(last, 1)), Variant(first)}});
                for (auto& read : ShiftBook::Reads(personId, ShiftsFrom(first), last)) reads.push_back(std::move(read));
                break;
            }
            case kDetailOverTime:
                reads.push_back({"Select OverTimeDate, Sum(FieldACount + FieldBCount + FieldCCount + HolidayCount) "
                                 "From humOverTime Where PersonID = ? And OverTimeDate >= ? And OverTimeDate <= ? "
                                 "Group By OverTimeDate",
                                 {person, Variant(first), Variant(last)}});
                break;
            default:
                reads.push_back({"Select WorkDate, BeginTime, EndTime From HumHourSalarySub Where PersonID = ? "
                                 "And WorkDate >= ? And WorkDate <= ?",
                                 {person, Variant(first), Variant(last)}});
                break;
        }
        return reads;
    }

    // The figure of each date in [first, last] that has one, from `rs`: the results of
    // For's reads after kStored.
    static std::map<QVXDate, double> Figures(int kind, const ResultSet* rs, QVXDate first, QVXDate last) {
        std::map<QVXDate, double> out;
        switch (kind) {
            case kDetailLeave: {
                // Leave minutes by the date their shift starts on.
                const ShiftBook book(rs[1], rs[2]);
                for (const auto& row : rs[0].rows) {
                    const QVXDate b = static_cast<QVXDate>(CInt(row[0]));
                    const QVXDate e = static_cast<QVXDate>(CInt(row[2]));
                    auto span = LeaveSpan(b, e, static_cast<int>(CInt(row[1])), static_cast<int>(CInt(row[3])));
                    if (!span || SpanTooLong(b, e)) continue;
                    for (const auto& [date, share] : LeaveByShift(book, *span, std::max(b, first), std::min(e, last)))
                        if (date >= first && date <= last) out[date] += share.leaveMinutes;
                }
                break;
            }
            case kDetailOverTime:
                for (const auto& row : rs[0].rows) out[static_cast<QVXDate>(CInt(row[0]))] = CFloat(row[1]);
                break;
            default:
                for (const auto& row : rs[0].rows) {
                    const int b = static_cast<int>(CInt(row[1]));
                    const int e = static_cast<int>(CInt(row[2]));
                    if (b < 0 || e < 0 || b == e) continue;
                    int64_t minutes = TimeToMinutes(e) - TimeToMinutes(b);
                    if (minutes < 0) minutes += kMinutesPerDay;  // worked past midnight
                    out[static_cast<QVXDate>(CInt(row[0]))] += static_cast<double>(minutes) / 60.0;
                }
                break;
        }
        return out;
    }
};

// Brings the person's detail rows of `dates` to `figures` (0 for a date without one).
// The rows are known from `stored`, so each write is sent without its count being
// read: a row changes only when its figure does, a row is added for a new figure,
// and a row left with nothing in it is dropped.
void WriteDetails(Database& db, int kind, const std::string& personId, const std::set<QVXDate>& dates,
                  const std::map<QVXDate, double>& figures, const ResultSet& stored) {
    // The figure's place in the stored rows, after DetailDate.
    const size_t own = kind == kDetailLeave ? 1 : kind == kDetailOverTime ? 2 : 3;
    const std::string column = kind == kDetailLeave      ? "LeaveMinutes"
                               : kind == kDetailOverTime ? "OverTimeHours"
                                                         : "HourWorkHours";
    std::map<QVXDate, const std::vector<Variant>*> rows;
    for (const auto& row : stored.rows) rows.emplace(static_cast<QVXDate>(CInt(row[0])), &row);
    for (QVXDate date : dates) {
        auto figure = figures.find(date);
        const double value = RoundValue(figure == figures.end() ? 0.0 : figure->second, 4);
        auto found = rows.find(date);
        if (found == rows.end()) {
            if (value != 0)
                db.ExecuteLater("Insert Into humAttendDetail (PersonID, DetailDate, " + column + ") Values (?, ?, ?)",
                                {Variant(personId), Variant(date), Variant(value)});
            continue;
        }
        const std::vector<Variant>& row = *found->second;
        bool othersEmpty = true;
        for (size_t c = 1; c <= 3; ++c) othersEmpty = othersEmpty && (c == own || CFloat(row[c]) == 0);
        if (value == 0 && othersEmpty)
            db.ExecuteLater("Delete From humAttendDetail Where PersonID = ? And DetailDate = ?",
                            {Variant(personId), Variant(date)});
        else if (row[own].IsNull() || CFloat(row[own]) != value)
            db.ExecuteLater("Update humAttendDetail Set " + column + " = ? Where PersonID = ? And DetailDate = ?",
                            {Variant(value), Variant(personId), Variant(date)});
    }
}

}  // namespace

// ---------------------------------------------------------------- employment

bool GetIsOnWork(Database& db, const std::string& personId, QVXDate date) {
    auto e = ReadEmployment(db, personId);
    return e && EmployedOn(*e, date);
}

bool GetIsOnWork(Database& db, const std::string& personId, QVXDate beginDate, QVXDate endDate, bool wholeSpan) {
    if (IsYearMonth(beginDate)) beginDate = beginDate * 100 + 1;
    if (IsYearMonth(endDate)) endDate = endDate * 100 + GetMaxDay(endDate);
    if (beginDate == 0) return false;
    if (endDate == 0) endDate = beginDate;
    if (endDate < beginDate) std::swap(beginDate, endDate);
    auto e = ReadEmployment(db, personId);
    if (!e || e->onJob == 0) return false;
    if (wholeSpan) return e->onJob <= beginDate && (e->leaveJob == 0 || endDate <= e->leaveJob);
    return e->onJob <= endDate && (e->leaveJob == 0 || beginDate <= e->leaveJob);
}

bool GetPersonNeedAttend(Database& db, const std::string& personId, QVXDate date) {
    if (!GetIsOnWork(db, personId, date)) return false;
    auto row = db.QueryFirst("Select NeedAttend From humPersonExtend Where PersonID = ?", {Variant(personId)});
    return row && CBool((*row)[0]);
}

std::string GetPersonIDOnWork(Database& db, QVXDate beginDate, QVXDate endDate, bool wholeSpan, bool attendOnly,
                              bool quoted, bool excludeSuspended) {
    if (endDate == 0) endDate = beginDate;
    if (endDate < beginDate) std::swap(beginDate, endDate);
    if (beginDate == 0) return "";
    std::string sql =
        "Select A.PersonID From comPerson A Left Join humPersonExtend B On A.PersonID = B.PersonID "
        "Where A.OnJobDate <> 0";
    // Every day of the span: hired by its first day, not gone before its last.
    // Some day of it: hired by its last day, not gone before its first.
    sql += " And A.OnJobDate <= ? And (A.LeaveJobDate = 0 Or A.LeaveJobDate >= ?)";
    std::vector<Variant> params = wholeSpan ? std::vector<Variant>{Variant(beginDate), Variant(endDate)}
                                            : std::vector<Variant>{Variant(endDate), Variant(beginDate)};
    if (attendOnly) sql += " And B.NeedAttend = 1";
    if (excludeSuspended) {
        sql += " And (B.WorkState Is Null Or B.WorkState <> ?)";
        params.emplace_back(kWorkStateSuspended);
    }
    sql += " Order By A.PersonID";
    return JoinIds(db.Query(sql, params), quoted);
}

std::string GetPersonIDOnWork(Database& db, QVXDate date, bool attendOnly, bool quoted, bool excludeSuspended) {
    return GetPersonIDOnWork(db, date, date, false, attendOnly, quoted, excludeSuspended);
}

namespace {

// The rows of `data` in turn; `datasetIndex` as CheckGetIsOnWork of a dataset takes it.
void CheckRowsOnWork(Database& db, const Variant& data, const std::string& dateField, const std::string& personField,
                     int datasetIndex) {
    DeltaDataset rows(data);
    if (rows.RecordCount() == 0) return;
    std::map<std::string, std::optional<Employment>> known;
    int row = -1;  // the place among the rows that are not deleted
    for (rows.First(); !rows.Eof(); rows.Next()) {
        if (rows.Status() == UpdateStatus::Deleted) continue;
        ++row;
        const std::string person = Trim(CStr(rows.RealFieldValue(personField)));
        if (person.empty()) continue;
        const QVXDate date = static_cast<QVXDate>(CInt(rows.RealFieldValue(dateField)));
        auto it = known.find(person);
        if (it == known.end()) it = known.emplace(person, ReadEmployment(db, person)).first;
        if (!it->second || !EmployedOn(*it->second, date))
            throw BusinessError(msg::kPersonNotOnJobAt,
                                FormatMessage(msg::kPersonNotOnJobAt, {Variant(person), Variant(DateToText(date))}),
                                datasetIndex >= 0 ? RefusalAt{datasetIndex, row, personField} : RefusalAt{});
    }
}

}  // namespace

void CheckGetIsOnWork(Database& db, const Variant& data, const std::string& dateField,
                      const std::string& personField) {
    CheckRowsOnWork(db, data, dateField, personField, -1);
}

void CheckGetIsOnWork(Database& db, const Dataset& data, const std::string& dateField,
                      const std::string& personField, int datasetIndex) {
    // The visible rows in their order: a row's place in the data is its place in the dataset.
    CheckRowsOnWork(db, Variant(data.Data()), dateField, personField, datasetIndex);
}

// ---------------------------------------------------------------- work classes

std::string GetPersonClassNo(Database& db, const std::string& personId, QVXDate date) {
    std::string schedule;
    if (auto row = db.QueryFirst("Select JobSch From humPersonExtend Where PersonID = ?", {Variant(personId)}))
        schedule = Trim(CStr((*row)[0]));
    return GetClassNo(db, personId, schedule, date);
}

std::string GetClassNo(Database& db, const std::string& personId, const std::string& jobSch, QVXDate date) {
    if (!Trim(personId).empty()) {
        if (auto row = db.QueryFirst("Select ClassID From humPersonClassDate Where PersonID = ? And WorkDate = ?",
                                     {Variant(personId), Variant(date)}))
            return Trim(CStr((*row)[0]));
    }
    const std::string schedule = Trim(jobSch);
    const int weekDay = WeekDay(date);
    if (schedule.empty() || weekDay < 0) return "";
    auto row = db.QueryFirst("Select ClassID From humJobScheduleDay Where SchID = ? And WeekDay = ?",
                             {Variant(schedule), Variant(weekDay)});
    return row ? Trim(CStr((*row)[0])) : "";
}

// ---------------------------------------------------------------- leave

double CalExcuse(Database& db, const std::string& personId, const std::string& categoryId, QVXDate beginDate,
                 QVXDate endDate, int beginTime, int endTime, int unit, bool byShift) {
    if (unit < 0) {
        auto row = db.QueryFirst("Select UnitName From humExcuseCls Where ExcuseClsID = ?", {Variant(categoryId)});
        unit = row ? static_cast<int>(CInt((*row)[0])) : kUnitDays;
    }
    auto span = LeaveSpan(beginDate, endDate, beginTime, endTime);
    if (!span || Trim(personId).empty()) return 0;

    double minutes = 0;
    double days = 0;
    if (!byShift) {
        minutes = static_cast<double>(span->Length());
        days = minutes / static_cast<double>(kMinutesPerDay);
    } else {
        // A span too long to walk shift by shift is refused, never counted as nothing.
        if (SpanTooLong(beginDate, endDate))
            throw InputError("the span " + std::to_string(beginDate) + " to " + std::to_string(endDate) +
                             " is too long to count by shift (more than " + std::to_string(kMaxSpanDays) + " days)");
        const ShiftBook book = ShiftBook::Read(db, personId, ShiftsFrom(beginDate), endDate);
        for (const auto& [date, share] : LeaveByShift(book, *span, beginDate, endDate)) {
            minutes += share.leaveMinutes;
            if (share.shiftMinutes > 0) days += share.leaveMinutes / share.shiftMinutes;
        }
    }
    switch (unit) {
        case kUnitDays: return RoundValue(days, 4);
        case kUnitHours: return RoundValue(minutes / 60.0, 4);
        default: return RoundValue(minutes, 4);
    }
}

double GetPrsnPeriodExCount(Database& db, const std::string& personId, int categoryKind, QVXDate firstDay,
                            QVXDate lastDay, const std::string& excludeKey) {
    std::string sql =
        "Select Sum(A.ExcuseCount - A.CutExcuseCount) From humExcuse A "
        "Inner Join humExcuseCls B On A.ExcuseClsID = B.ExcuseClsID "
        "Where A.Flag <> ? And A.PersonID = ? And B.ExcuseCls = ? And A.BeginDate >= ? And A.BeginDate <= ?";
    std::vector<Variant> params{Variant(3), Variant(personId), Variant(categoryKind), Variant(firstDay),
                                Variant(lastDay)};
    // The bill number is compared as it is stored, blanks included, as every other
    // check compares it.
    const std::string& key = excludeKey;
    if (!Trim(key).empty()) {
        const size_t colon = key.rfind(':');
        if (colon == std::string::npos) {
            sql += " And A.BillNo <> ?";
            params.emplace_back(key);
        } else {
            sql += " And Not (A.BillNo = ? And A.Flag = ?)";
            params.emplace_back(key.substr(0, colon));
            params.emplace_back(static_cast<int>(CInt(Variant(key.substr(colon + 1)))));
        }
    }
    auto row = db.QueryFirst(sql, params);
    return row ? CFloat((*row)[0]) : 0.0;
}

// ---------------------------------------------------------------- attendance detail

void ResetDetail(Database& db, int kind, const Variant& changeSet, bool /*byPerson*/, bool /*deleted*/) {
    if (kind != kDetailLeave && kind != kDetailOverTime && kind != kDetailHourWork) return;
    const PersonDates touched = TouchedDates(kind, changeSet);
    // Every person's reads go to the database together, then their writes.
    std::vector<Database::Read> reads;
    std::vector<size_t> from;  // where each person's reads begin
    for (const auto& [person, dates] : touched) {
        from.push_back(reads.size());
        if (dates.empty()) continue;
        for (auto& read : DetailReads::For(kind, person, *dates.begin(), *dates.rbegin()))
            reads.push_back(std::move(read));
    }
    const std::vector<ResultSet> results = db.QueryEach(reads);
    size_t i = 0;
    for (const auto& [person, dates] : touched) {
        const size_t at = from[i++];
        if (dates.empty()) continue;
        const QVXDate first = *dates.begin();
        const QVXDate last = *dates.rbegin();
        const std::map<QVXDate, double> figures =
            DetailReads::Figures(kind, &results[at + DetailReads::kStored + 1], first, last);
        WriteDetails(db, kind, person, dates, figures, results[at + DetailReads::kStored]);
    }
}

}  // namespace humrs
