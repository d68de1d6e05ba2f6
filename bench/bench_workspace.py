#!/usr/bin/python3
"""The workspace's first page and a bill save from the form, on the demo database.

    bench/bench_workspace.py --humrs build/humrs [--out DIR] [--saves N]

Prints a table:
- first page: the bytes that crossed the wire for / and every file it loads (the
  Navigation and Resource Timing entries' transferSize, cache emptied first), and the
  time to interactive (domInteractive) and to the load event (loadEventEnd);
- save: a leave bill saved from the form (the /v1/save request as the page's Resource
  Timing sees it, and the click on 保存 until the stored bill shows) against the same
  kind of bill posted straight to /v1/save; medians of N saves each.
Goals: first page <= 200 KB and <= 300 ms; form save within 50 ms of the server's save.
Runs on the suite's backend (HUMRS_TEST_BACKEND, HUMRS_TEST_PG_URL) like the browser tests.
"""

import argparse
import os
import statistics
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ beside the sources
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "browser"))

from workspace import Workspace, backend  # noqa: E402

EXCUSE = "QVXHumrs.Excuse"


def first_page(ws, rounds):
    sizes, interactive, loaded = [], [], []
    for _ in range(rounds):
        ws.cdp("Network.enable")
        ws.cdp("Network.clearBrowserCache")
        ws.driver.get("about:blank")
        ws.driver.get(ws.base + "/")
        ws.wait(lambda: ws.driver.execute_script(
            "const n = performance.getEntriesByType('navigation')[0]; return n && n.loadEventEnd > 0"),
            "the first page's load event")
        # Scripts loaded by the page after the load event (the sign-in view) count too.
        ws.one("input[name=password]", what="the sign-in form")
        timing = ws.driver.execute_script("""
            const n = performance.getEntriesByType('navigation')[0];
            const r = performance.getEntriesByType('resource');
            return {bytes: n.transferSize + r.reduce((s, e) => s + e.transferSize, 0),
                    files: 1 + r.length, interactive: n.domInteractive, loaded: n.loadEventEnd};""")
        sizes.append(timing["bytes"])
        interactive.append(timing["interactive"])
        loaded.append(timing["loaded"])
    return {"bytes": statistics.median(sizes), "files": timing["files"],
            "interactive": statistics.median(interactive), "loaded": statistics.median(loaded)}


def leave(person, day):
    return {"PersonID": person, "ExcuseClsID": "L09", "BeginDate": day, "BeginTime": 800, "EndDate": day,
            "EndTime": 1700, "ExcuseCount": 1, "Memo": "bench"}


def form_saves(ws, days):
    request, click = [], []
    for day in days:
        ws.go(f"/bill/{EXCUSE}/new")
        box = ws.one('fieldset[data-dataset="0"]')
        for name, value in leave("E011", day).items():
            ws.fill(name, value, box)
        # Timed in the page: from the click to the stored bill's location.
        ws.driver.execute_script("""
            performance.clearResourceTimings();
            window.benchSaved = null;
            addEventListener('hashchange', () => { window.benchSaved = performance.now() - window.benchClick; },
                             {once: true});
            window.benchClick = performance.now();
            arguments[0].click();""", ws.button("保存"))
        took = ws.wait(lambda: ws.driver.execute_script("return window.benchSaved") or ws.alert_now(),
                       "the saved bill", 30)
        if ws.alert_now():
            raise SystemExit(f"the form's save was refused: {ws.alert_now()}")
        # The save goes to /v1/save, or to the form's object (/v1/objects/HANDLE) when it
        # keeps one: the request that answered last before the location changed.
        entries = ws.driver.execute_script(
            "return performance.getEntriesByType('resource')"
            ".filter(e => /\\/v1\\/(save|objects\\/[^/]+)$/.test(e.name) && e.responseEnd <= window.benchClick + arguments[0])"
            ".sort((a, b) => a.responseEnd - b.responseEnd).map(e => e.responseEnd - e.startTime)", took)
        click.append(took)
        if not entries:
            raise SystemExit("the page's save made no request to /v1/save or its object")
        request.append(entries[-1])
    return statistics.median(request), statistics.median(click)


def direct_saves(ws, days):
    session = ws.session("clerk1")
    took = []
    try:
        for day in days:
            body = {"progid": EXCUSE, "bill": {"datasets": [[leave("E012", day)]]}}
            started = time.perf_counter()
            status, answer = session.call("POST", "/v1/save", body)
            took.append((time.perf_counter() - started) * 1000)
            if status != 200:
                raise SystemExit(f"the direct save was refused: {status} {answer}")
    finally:
        session.close()
    return statistics.median(took)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--humrs", required=True)
    parser.add_argument("--out", default=None)
    parser.add_argument("--saves", type=int, default=5)
    args = parser.parse_args()
    out = args.out or tempfile.mkdtemp(prefix="bench-workspace-")
    # Working days of July 2024, one leave day each.
    days = [d for d in range(20240701, 20240732) if (d - 20240701) % 7 < 5][: args.saves]
    with Workspace(args.humrs, out) as ws:
        page = first_page(ws, 3)
        ws.login("clerk1", ws.password("clerk1"))
        form_request, form_click = form_saves(ws, days)
        server = direct_saves(ws, days)
    kb = page["bytes"] / 1024
    rows = [
        ("first page: bytes over the wire", f"{kb:.1f} KB ({page['files']} files)", "<= 200 KB", kb <= 200),
        ("first page: domInteractive", f"{page['interactive']:.0f} ms", "<= 300 ms", page["interactive"] <= 300),
        ("first page: loadEventEnd", f"{page['loaded']:.0f} ms", "<= 300 ms", page["loaded"] <= 300),
        ("save: the save request from the form", f"{form_request:.1f} ms", "", None),
        ("save: click to the stored bill's location", f"{form_click:.1f} ms", "", None),
        ("save: POST /v1/save directly", f"{server:.1f} ms", "", None),
        ("save: form minus direct", f"{form_click - server:+.1f} ms", "<= 50 ms", form_click - server <= 50),
    ]
    print(f"workspace on {backend()}, medians ({len(days)} saves each, first page 3 loads)")
    width = max(len(r[0]) for r in rows)
    for name, value, goal, met in rows:
        verdict = "" if met is None else ("met" if met else "MISSED")
        print(f"  {name:<{width}}  {value:>22}  {goal:>9}  {verdict}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
