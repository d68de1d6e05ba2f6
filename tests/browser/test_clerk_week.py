#!/usr/bin/python3
"""An attendance clerk's week in the workspace, then payroll's look at a month.

The clerk enters leave by person and by date (one bill refused for a conflict with a
leave already stored, corrected where it stands and saved), an overtime bill by date
for five persons whose hours the page works out as the times are typed, and a leave
cancellation; looks at a person's balance of capped leave; changes a bill and reads
its history; deletes the cancellation, which the page asks about first. Payroll then
prints a pay statement and is kept out of a leave bill's form. Every save is checked
in the database: a save that only looked accepted fails.

    test_clerk_week.py --humrs build/humrs --out /tmp/browser-out

Exit code 0 when every check held; otherwise each failed check is printed.
"""

import argparse
import base64
import os
import re
import sys
import time
import traceback

sys.dont_write_bytecode = True  # no __pycache__ beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from selenium.webdriver.common.keys import Keys  # noqa: E402

from workspace import Failed, Workspace, backend  # noqa: E402

EXCUSE = "QVXHumrs.Excuse"
EXCUSE_DATE = "QVXHumrs.ExcuseDate"
CUT = "QVXHumrs.CutExcuse"
OVERTIME_DATE = "QVXHumrs.OvertimeDate"


def number(text):
    try:
        return float(str(text).replace(",", "").strip())
    except ValueError:
        return None


def same(typed, shown):
    """Whether a field shows what was typed (8 and 8.0 are one value)."""
    a, b = number(typed), number(shown)
    return a == b if a is not None and b is not None else str(typed).strip() == str(shown).strip()


class ClerkWeek:
    def __init__(self, ws):
        self.ws = ws
        self.failures = []
        self.keys = {}  # bill name -> key its save gave
        self.sessions = {}

    def check(self, held, what):
        if not held:
            self.failures.append(what)
        return held

    # ------------------------------------------------------------ the bill form

    def dataset(self, n):
        return self.ws.one(f'fieldset[data-dataset="{n}"]', what=f"the fieldset of dataset {n}")

    def rows(self, n):
        return self.ws.visible(f'table[data-dataset="{n}"] tbody tr')

    def row(self, n, i):
        return self.ws.wait(lambda: self.rows(n)[i], f"row {i} of dataset {n}")

    def add_row(self, n, keyboard=False):
        before = len(self.rows(n))
        if keyboard:
            self.ws.press((Keys.CONTROL, Keys.INSERT))
        else:
            self.ws.button("添加行", self.dataset(n)).click()
        self.ws.wait(lambda: len(self.rows(n)) == before + 1, f"a new row in dataset {n}")

    def fill_row(self, n, i, values):
        """Types into row i of the grid of dataset n, adding rows (button 添加行) until it is there."""
        while len(self.rows(n)) <= i:
            self.add_row(n)
        for name, value in values.items():
            self.ws.fill(name, value, self.row(n, i))

    def fill_header(self, values):
        for name, value in values.items():
            self.ws.fill(name, value, self.dataset(0))

    def new_bill(self, progid):
        self.ws.go(f"/bill/{progid}/new")
        self.dataset(0)

    def save(self, progid):
        """Presses 保存 on a new bill and waits for the stored bill's location; gives its key."""
        self.ws.button("保存").click()
        prefix = f"#/bill/{progid}/"

        def stored():
            h = self.ws.hash()
            return h[len(prefix):] if h.startswith(prefix) and h != prefix + "new" else None

        key = self.ws.wait(lambda: stored() or (self.ws.alert_now() and "refused"), f"the saved {progid}")
        if key == "refused":
            raise Failed(f"the save of a new {progid} was refused: {self.ws.alert_now()}")
        return key

    def leave_count(self, person, category, begin, end, begin_time, end_time):
        """The leave's length in its category's unit, as the attendance object counts it."""
        if not hasattr(self, "units"):
            self.units = {r["ExcuseClsID"]: r["UnitName"] for r in self.ws.sql(
                "Select ExcuseClsID, UnitName From humExcuseCls")}
        status, answer = self.http("audit1").call("POST", "/v1/proc", {
            "progid": "QVXHumrs.Reset", "number": 9,
            "arg": [person, category, begin, end, begin_time, end_time, self.units[category], True]})
        if status != 200:
            raise Failed(f"the length of {person}'s leave: {status} {answer}")
        return answer["result"]

    def http(self, name):
        """A signed-in HTTP session of `name` beside the page, kept for the run."""
        if name not in self.sessions:
            self.sessions[name] = self.ws.session(name)
        return self.sessions[name]

    def stored_leave(self, key):
        return self.ws.sql("Select PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, EndTime, ExcuseCount, "
                           f"IfCutExcuse, CutExcuseNo, CutExcuseCount, Memo From humExcuse Where BillNo = '{key}' "
                           "And Flag <> 3 Order By RowNo")

    # ------------------------------------------------------------ the steps

    def need(self, name):
        if name not in self.keys:
            raise Failed(f"needs the bill {name}, which was not saved")
        return self.keys[name]

    def sign_in_as_clerk(self):
        self.ws.login("clerk1", self.ws.password("clerk1"))
        home = self.ws.driver.find_element("css selector", "body").text
        for heading in ("考勤",):
            self.check(heading in home, f"home: no heading {heading} for the attendance clerk")

    def leave_by_person(self):
        bills = {
            "B1": {"PersonID": "E002", "ExcuseClsID": "L00", "BeginDate": 20240617, "BeginTime": 800,
                   "EndDate": 20240617, "EndTime": 1700, "Memo": "家中有事"},
            "B2": {"PersonID": "E003", "ExcuseClsID": "L09", "BeginDate": 20240618, "BeginTime": 800,
                   "EndDate": 20240619, "EndTime": 1700, "Memo": "婚假两天"},
            "B3": {"PersonID": "E004", "ExcuseClsID": "L01", "BeginDate": 20240614, "BeginTime": 800,
                   "EndDate": 20240614, "EndTime": 1200, "Memo": "看病"},
        }
        for name, bill in bills.items():
            bill["ExcuseCount"] = self.leave_count(bill["PersonID"], bill["ExcuseClsID"], bill["BeginDate"],
                                                   bill["EndDate"], bill["BeginTime"], bill["EndTime"])
            self.new_bill(EXCUSE)
            self.fill_header(bill)
            self.keys[name] = key = self.save(EXCUSE)
            stored = self.stored_leave(key)
            if self.check(len(stored) == 1, f"leave {name} ({key}): {len(stored)} rows stored, 1 expected"):
                for field, typed in bill.items():
                    self.check(same(typed, stored[0][field]),
                               f"leave {name} ({key}): {field} stored {stored[0][field]!r}, typed {typed!r}")
        self.bills = bills

    def leave_by_date_refused_then_corrected(self):
        b1 = self.need("B1")
        rows = [
            {"PersonID": "E005", "ExcuseClsID": "L00", "BeginDate": 20240620, "BeginTime": 800,
             "EndDate": 20240620, "EndTime": 1700},
            # E002 is on leave that afternoon already (B1).
            {"PersonID": "E002", "ExcuseClsID": "L00", "BeginDate": 20240617, "BeginTime": 1300,
             "EndDate": 20240617, "EndTime": 1700},
        ]
        for r in rows:
            r["ExcuseCount"] = self.leave_count(r["PersonID"], r["ExcuseClsID"], r["BeginDate"], r["EndDate"],
                                                r["BeginTime"], r["EndTime"])
        self.new_bill(EXCUSE_DATE)
        for i, r in enumerate(rows):
            self.fill_row(1, i, r)
        self.ws.button("保存").click()
        alert = self.ws.alert()
        self.check(b1 in alert, f"leave by date: the refusal {alert!r} does not name the leave {b1} it meets")
        refused = self.ws.find('table[data-dataset="1"] tbody tr.refused')
        self.check(len(refused) == 1, f"leave by date: {len(refused)} rows marked refused, 1 expected")
        marked_row = self.rows(1)[1]
        self.check("refused" in (marked_row.get_attribute("class") or ""),
                   "leave by date: the second row (E002's) is not the one marked refused")
        invalid = self.ws.find('[aria-invalid="true"]', marked_row)
        self.check(len(invalid) == 1, f"leave by date: {len(invalid)} fields of the refused row marked aria-invalid")
        if invalid:
            self.check(self.ws.focused() == invalid[0], "leave by date: the marked field does not have the focus")
        for i, r in enumerate(rows):
            row = self.rows(1)[i]
            for name, typed in r.items():
                shown = self.ws.value(self.ws.field(name, row))
                self.check(same(typed, shown), f"leave by date: row {i} {name} shows {shown!r} after the refusal, "
                                               f"{typed!r} was typed")
        self.check(self.ws.hash() == f"#/bill/{EXCUSE_DATE}/new", "leave by date: the refused bill left its form")
        self.check(not self.ws.sql("Select BillNo From humExcuse Where PersonID = 'E005' And BeginDate = 20240620"),
                   "leave by date: the refused bill stored rows")
        self.ws.screenshot("workspace-refusal.png")

        # Corrected where it stands: E002's afternoon moves to Friday.
        rows[1].update(BeginDate=20240621, EndDate=20240621)
        rows[1]["ExcuseCount"] = self.leave_count("E002", "L00", 20240621, 20240621, 1300, 1700)
        self.fill_row(1, 1, {k: rows[1][k] for k in ("BeginDate", "EndDate", "ExcuseCount")})
        self.keys["B4"] = key = self.save(EXCUSE_DATE)
        self.check(not self.ws.find("tr.refused"), "leave by date: a row stays marked refused after the save")
        stored = self.ws.sql(f"Select PersonID, BeginDate, EndDate, ExcuseCount, Flag From humExcuse "
                             f"Where BillNo = '{key}' Order By RowNo")
        self.check([(s["PersonID"], s["BeginDate"], s["Flag"]) for s in stored] ==
                   [("E005", 20240620, 2), ("E002", 20240621, 2)],
                   f"leave by date {key}: stored rows {stored}")
        self.b4_rows = rows

    def leave_by_date_two_persons(self):
        rows = [
            {"PersonID": "E006", "ExcuseClsID": "L05", "BeginDate": 20240624, "BeginTime": 800,
             "EndDate": 20240624, "EndTime": 1700},
            {"PersonID": "E001", "ExcuseClsID": "L00", "BeginDate": 20240625, "BeginTime": 800,
             "EndDate": 20240625, "EndTime": 1200},
        ]
        self.new_bill(EXCUSE_DATE)
        for i, r in enumerate(rows):
            r["ExcuseCount"] = self.leave_count(r["PersonID"], r["ExcuseClsID"], r["BeginDate"], r["EndDate"],
                                                r["BeginTime"], r["EndTime"])
            self.fill_row(1, i, r)
        self.keys["B5"] = key = self.save(EXCUSE_DATE)
        stored = self.stored_leave(key)
        self.check(len(stored) == 2, f"leave by date {key}: {len(stored)} rows stored, 2 expected")
        for typed, s in zip(rows, stored):
            for field, value in typed.items():
                self.check(same(value, s[field]), f"leave by date {key}: {field} stored {s[field]!r}, "
                                                  f"typed {value!r}")

    def overtime_by_date(self):
        persons = ["E001", "E003", "E004", "E005", "E006"]
        hours = self.ws.proc("QVXHumrs.Overtime", 0, ["A", "1800", "2000", False, False, 0, 1])
        fields = ["FieldACount", "FieldBCount", "FieldCCount", "HolidayCount", "TotalCount"]
        self.new_bill(OVERTIME_DATE)
        for i, person in enumerate(persons):
            if i > 0:
                # Ctrl+Insert from the row above adds the next one.
                self.ws.field("PersonID", self.row(1, i - 1)).click()
                self.add_row(1, keyboard=True)
            self.fill_row(1, i, {"PersonID": person, "OverTimeDate": 20240612, "OverTimeClass": "A",
                                 "BeginTime": 1800, "EndTime": 2000})
            for name, expected in zip(fields, hours):
                shown = self.ws.wait(lambda: self.ws.value(self.ws.field(name, self.row(1, i))) not in ("", None)
                                     and self.ws.value(self.ws.field(name, self.row(1, i))),
                                     f"overtime row {i}: {name} filled in from the times")
                self.check(same(expected, shown), f"overtime row {i}: {name} shows {shown!r}, the times give "
                                                  f"{expected}")
        self.check(not self.ws.alert_now() and not self.ws.find('[aria-invalid="true"]'),
                   f"overtime: rows of persons on the job, typed in the form's order, show a refusal: "
                   f"{self.ws.alert_now()!r}")
        self.keys["OT"] = key = self.save(OVERTIME_DATE)
        stored = self.ws.sql("Select PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, FieldBCount, "
                             "FieldCCount, HolidayCount, TotalCount From humOverTime "
                             f"Where BillNo = '{key}' And Flag = 3 Order By RowNo")
        self.check([s["PersonID"] for s in stored] == persons,
                   f"overtime {key}: stored persons {[s['PersonID'] for s in stored]}, {persons} entered")
        for s in stored:
            for name, expected in zip(fields, hours):
                self.check(same(expected, s[name]), f"overtime {key} {s['PersonID']}: {name} stored {s[name]}, "
                                                    f"the times give {expected}")

    def leave_cancellation(self):
        b2 = self.need("B2")
        span = {"PersonID": "E003", "BeginDate": 20240619, "BeginTime": 800, "EndDate": 20240619, "EndTime": 1700}
        self.new_bill(CUT)
        self.fill_header(span)
        count = self.ws.field("ExcuseCount", self.dataset(0))
        if not number(self.ws.value(count)):
            self.fill_header({"ExcuseCount": 1})
        self.keys["CUT"] = key = self.save(CUT)
        cut = self.ws.sql(f"Select PersonID, BeginDate, ExcuseCount From humCutExcuse Where BillNo = '{key}'")
        self.check(len(cut) == 1 and cut[0]["PersonID"] == "E003",
                   f"cancellation {key}: stored {cut}")
        marked = self.stored_leave(b2)
        self.check(marked and marked[0]["IfCutExcuse"] in (1, True) and marked[0]["CutExcuseNo"] == key
                   and number(marked[0]["CutExcuseCount"]) == 1,
                   f"cancellation {key}: the leave {b2} it covers is not marked cancelled: {marked}")

    def person_balance(self, used_before):
        api_status, person = self.http("clerk1").call("GET", "/v1/person?id=E002&month=202406")
        if not self.check(api_status == 200, f"GET /v1/person answered {api_status}: {person}"):
            return
        balance = [b for b in person["balances"] if b["category"] == "L00"]
        if not self.check(balance, f"person E002: no balance of the capped category L00: {person['balances']}"):
            return
        balance = balance[0]
        typed = self.bills["B1"]["ExcuseCount"] + self.b4_rows[1]["ExcuseCount"]
        self.check(abs(balance["used"] - used_before - typed) < 1e-6,
                   f"person E002: L00 used {balance['used']} after the week, {used_before} before, "
                   f"{typed} entered")

        self.ws.go("/person/E002/202406")
        table = self.ws.one("#balances", what="the balances table")
        row = self.ws.wait(lambda: [r for r in self.ws.find("tr", table) if balance["name"] in r.text],
                           f"a row of {balance['name']} in the balances")[0]
        shown = [number(t) for t in re.findall(r"-?\d+(?:\.\d+)?", row.text)]
        for field in ("quota", "used", "left"):
            self.check(number(balance[field]) in shown,
                       f"person page: the row {row.text!r} does not show {field} {balance[field]}")
        day = self.ws.one('table.calendar [data-date="20240617"]', what="17 June in the calendar")
        self.check(balance["name"] in day.text, f"person page: 17 June shows {day.text!r}, not the leave of B1")
        self.ws.one("#compensatory", what="the compensatory hours table")
        self.ws.screenshot("workspace-person.png")

    def change_and_history(self):
        key = self.need("B1")
        old, new = self.bills["B1"]["Memo"], "家中有事，下午可回"
        self.ws.go(f"/bill/{EXCUSE}/{key}")
        self.ws.wait(lambda: same(old, self.ws.value(self.ws.field("Memo", self.dataset(0)))), "B1's stored memo")
        self.fill_header({"Memo": new})
        self.ws.button("保存").click()
        self.ws.wait(lambda: self.stored_leave(key)[0]["Memo"] == new or self.ws.alert_now(),
                     f"the changed memo of {key} stored")
        if self.ws.alert_now():
            raise Failed(f"the change of {key} was refused: {self.ws.alert_now()}")
        self.check(self.ws.hash() == f"#/bill/{EXCUSE}/{key}", f"the changed bill left its location: {self.ws.hash()}")
        self.ws.button("历史").click()
        self.ws.wait(lambda: self.ws.hash() == f"#/history/{EXCUSE}/{key}", "the history's location")
        rows = self.ws.wait(lambda: [r.text for r in self.ws.find("table tbody tr") if new in r.text],
                            "a history row with the new memo")
        self.check(any("clerk1" in r and old in r for r in rows),
                   f"history of {key}: the change row {rows} does not show clerk1 and the old memo")

    def delete_asks_first(self):
        key, b2 = self.need("CUT"), self.need("B2")
        stored = lambda: self.ws.sql(f"Select BillNo From humCutExcuse Where BillNo = '{key}'")  # noqa: E731
        self.ws.go(f"/bill/{CUT}/{key}")
        self.ws.wait(lambda: self.ws.value(self.ws.field("PersonID", self.dataset(0))), f"{key}'s stored person")
        self.ws.button("删除").click()
        question = self.ws.wait(lambda: self.ws.driver.switch_to.alert, f"a question before deleting {key}")
        self.check(key in question.text, f"the question before deleting {key} does not name it: {question.text!r}")
        question.dismiss()
        time.sleep(0.5)  # time enough for a delete the page should not have sent
        self.check(stored() and self.ws.hash() == f"#/bill/{CUT}/{key}",
                   f"{key} was deleted although the question was answered no")
        self.ws.button("删除").click()
        self.ws.wait(lambda: self.ws.driver.switch_to.alert, f"the question again before deleting {key}").accept()
        self.ws.wait(lambda: not stored() and self.ws.hash() == f"#/list/{CUT}", f"{key} deleted and its list shown")
        notices = self.ws.wait(lambda: self.ws.one("#notices").text, "the notice of the delete")
        self.check(key in notices, f"the list does not tell that {key} was deleted: {notices!r}")
        marked = self.stored_leave(b2)
        self.check(marked and marked[0]["IfCutExcuse"] in (0, False) and not marked[0]["CutExcuseNo"],
                   f"the leave {b2} is still marked cancelled after its cancellation {key} was deleted: {marked}")

    def payroll(self):
        self.ws.logout()
        self.ws.login("pay1", self.ws.password("pay1"))
        # Kept out of the leave form: the server's own words, and no form.
        status, denied = self.http("pay1").call("POST", "/v1/new", {"progid": EXCUSE})
        self.check(status == 403, f"/v1/new of {EXCUSE} as payroll answered {status}")
        self.ws.go(f"/bill/{EXCUSE}/new")
        alert = self.ws.alert()
        self.check(denied.get("error", "?") in alert, f"denied form: the alert {alert!r} is not the server's "
                                                       f"{denied.get('error')!r}")
        time.sleep(0.3)  # a form drawn late would show by now
        self.check(not self.ws.find("fieldset[data-dataset]") and not self.ws.find("input[name=PersonID]"),
                   "denied form: the leave bill's form is shown to payroll")

        status, answer = self.http("pay1").call("GET", "/v1/paystatement?person=E002&month=202406")
        if not self.check(status == 200, f"GET /v1/paystatement answered {status}: {answer}"):
            return
        leave = answer["statement"][3]
        leave_bills = sorted({row[leave["fields"].index("BillNo")] for row in leave["rows"]})
        self.check(self.keys.get("B1") in leave_bills and self.keys.get("B4") in leave_bills,
                   f"pay statement E002 202406 lists the leave {leave_bills}, not B1 and B4")
        self.ws.go("/pay/E002/202406")
        self.ws.button("打印")
        self.ws.wait(lambda: all(b in self.ws.one("main").text for b in leave_bills),
                     "the statement's leave bills on the page")
        self.check(bool(leave_bills), "pay statement: no leave to look for")
        self.ws.cdp("Emulation.setEmulatedMedia", {"media": "print"})
        try:
            nav = self.ws.find("nav, [role=navigation]")
            self.check(nav and not any(n.is_displayed() for n in nav), "printed: the navigation is still shown")
            self.check(not any(b.is_displayed() for b in self.ws.find("button")), "printed: buttons are shown")
            printed = self.ws.one("main").text
            self.check(all(b in printed for b in leave_bills), "printed: the statement's leave bills are not shown")
            self.check("[object " not in printed, "printed: the statement shows [object ...] where values belong")
            overflow = self.ws.driver.execute_script(
                "return document.documentElement.scrollWidth - document.documentElement.clientWidth")
            self.check(overflow <= 0, f"printed: the statement is {overflow} px wider than the page; its right "
                                      f"side is cut off")
            self.ws.screenshot("workspace-paystatement.png")
            pdf = base64.b64decode(self.ws.cdp("Page.printToPDF", {"preferCSSPageSize": True})["data"])
            with open(os.path.join(self.ws.out, "paystatement.pdf"), "wb") as f:
                f.write(pdf)
            box = re.search(rb"/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\]", pdf)
            self.check(box and abs(float(box[1]) - 595.3) < 2 and abs(float(box[2]) - 841.9) < 2,
                       f"printed: the page is not A4 ({box and box.group(0)})")
        finally:
            self.ws.cdp("Emulation.setEmulatedMedia", {"media": ""})


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--humrs", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    started = time.monotonic()
    week = None
    try:
        with Workspace(args.humrs, args.out) as ws:
            week = ClerkWeek(ws)
            used_before = 0.0
            status, person = week.http("clerk1").call("GET", "/v1/person?id=E002&month=202406")
            if status == 200:
                used_before = sum(b["used"] for b in person["balances"] if b["category"] == "L00")
            else:
                week.failures.append(f"GET /v1/person before the week answered {status}: {person}")
            steps = [week.sign_in_as_clerk, week.leave_by_person, week.leave_by_date_refused_then_corrected,
                     week.leave_by_date_two_persons, week.overtime_by_date, week.leave_cancellation,
                     lambda: week.person_balance(used_before), week.change_and_history, week.delete_asks_first,
                     week.payroll]
            names = ["sign in", "leave by person", "leave by date refused then corrected",
                     "leave by date", "overtime by date", "leave cancellation", "person balance",
                     "change and history", "delete asks first", "payroll"]
            for name, step in zip(names, steps):
                began = time.monotonic()
                try:
                    step()
                except Exception as e:
                    week.failures.append(f"{name}: {e.__class__.__name__}: {e}")
                    if not isinstance(e, Failed):
                        traceback.print_exc()
                    try:
                        ws.screenshot("failed-" + name.replace(" ", "-") + ".png")
                    except Exception:
                        pass
                print(f"  {name}: {time.monotonic() - began:.1f} s")
            errors = ws.console_errors()
            if errors:
                print("browser console errors:\n  " + "\n  ".join(errors[:20]))
    except Exception as e:
        if week is None:
            week = ClerkWeek(None)
        week.failures.append(f"the workspace did not start: {e}")
    took = time.monotonic() - started
    if took > 60:
        # A goal, not a check: a loaded machine is no fault of the workspace.
        print(f"note: the week took {took:.0f} s on {backend()}, more than the 60 s it should take")
    for f in week.failures:
        print("FAIL " + f)
    print(f"{'FAILED' if week.failures else 'passed'}: clerk's week on {backend()} in {took:.1f} s, "
          f"{len(week.failures)} failed check(s)")
    return 1 if week.failures else 0


if __name__ == "__main__":
    sys.exit(main())
