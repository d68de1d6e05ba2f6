"""The workspace as a clerk meets it: a fresh database holding the demo company on the
backend the suite runs on, accounts, `humrs serve`, and one headless chromium.

    with Workspace(humrs, out) as ws:
        ws.login("clerk1", ws.password("clerk1"))
        ws.go("/bill/QVXHumrs.Excuse/new")
        ...

Everything it starts is stopped and everything it makes is removed when the `with`
block ends, however it ends (an exception, Ctrl+C, SIGTERM from ctest's time limit).
HUMRS_TEST_BACKEND=postgresql with HUMRS_TEST_PG_URL=postgresql://user@host:port runs
it on a new database of that server, dropped at the end; otherwise on an SQLite file
in a temporary folder.
"""

import base64
import ctypes
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import urllib.error
import urllib.request
import uuid

from selenium import webdriver
from selenium.common.exceptions import StaleElementReferenceException, WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

DATE = "20240610"  # the demo's today
POLL = 0.05  # seconds between two looks at a condition
PSQL = "/usr/bin/psql"

# The accounts every test may sign in with: name -> (roles, password).
ACCOUNTS = {
    "clerk1": (["attendance"], "clerk one passphrase"),
    "pay1": (["payroll"], "payroll passphrase 1"),
    "audit1": (["viewer"], "auditor passphrase 1"),  # the test's own look-ups beside the page
}


class Failed(AssertionError):
    """A condition the workspace did not meet."""


def backend():
    return "postgresql" if os.environ.get("HUMRS_TEST_BACKEND") in ("postgresql", "postgres") else "sqlite"


def _run(args, stdin=None, timeout=120):
    done = subprocess.run(args, input=stdin, capture_output=True, text=True, timeout=timeout)
    return done.returncode, done.stdout, done.stderr


class Workspace:
    def __init__(self, humrs, out, width=1280, height=900):
        self.humrs = os.path.abspath(humrs)
        self.out = os.path.abspath(out)
        self.size = (width, height)
        self.db = None
        self.base = None
        self.driver = None
        self._folder = None
        self._pg_name = None
        self._serve = None
        self._old_term = None

    # ------------------------------------------------------------ set-up and tear-down

    def __enter__(self):
        os.makedirs(self.out, exist_ok=True)
        # ctest's time limit sends SIGTERM: turned into an exception, the tear-down runs.
        self._old_term = signal.signal(signal.SIGTERM, _terminated)
        try:
            self._folder = tempfile.mkdtemp(prefix="humrs-browser-")
            self._make_database()
            self._demo()
            for name, (roles, password) in ACCOUNTS.items():
                self.add_account(name, roles, password)
            self._start_service()
            self._start_browser()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        # A second SIGTERM must not cut the tear-down short.
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        if self.driver is not None:
            try:
                self.driver.quit()
            except Exception:
                pass
            self.driver = None
        if self._serve is not None:
            if self._serve.poll() is None:
                self._serve.terminate()
                try:
                    self._serve.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    self._serve.kill()
                    self._serve.wait()
            self._serve = None
        if self._pg_name is not None:
            _run([PSQL, "-q", "-d", self._server_url() + "/postgres", "-c",
                  f"DROP DATABASE IF EXISTS {self._pg_name} WITH (FORCE)"])
            self._pg_name = None
        if self._folder is not None:
            shutil.rmtree(self._folder, ignore_errors=True)
            self._folder = None
        signal.signal(signal.SIGTERM, self._old_term if self._old_term is not None else signal.SIG_DFL)
        self._old_term = None
        return False

    def _server_url(self):
        url = os.environ.get("HUMRS_TEST_PG_URL", "")
        if not url.startswith("postgresql://"):
            raise Failed("HUMRS_TEST_BACKEND=postgresql needs HUMRS_TEST_PG_URL=postgresql://user@host:port")
        return url.rstrip("/")

    def _make_database(self):
        if backend() == "postgresql":
            name = "humrs_browser_" + uuid.uuid4().hex[:12]
            code, out, err = _run([PSQL, "-q", "-v", "ON_ERROR_STOP=1", "-d", self._server_url() + "/postgres",
                                   "-c", f"CREATE DATABASE {name}"])
            if code != 0:
                raise Failed(f"cannot make the database {name}: {err or out}")
            self._pg_name = name
            self.db = self._server_url() + "/" + name
        else:
            self.db = os.path.join(self._folder, "workspace.db")

    def _demo(self):
        code, out, err = self.humrs_run(["demo"])
        if code != 0:
            raise Failed(f"the demo did not fill {self.db}: {err or out}")
        if json.loads(out).get("unexpected") != 0:
            raise Failed(f"the demo had unexpected outcomes: {out[:2000]}")

    def add_account(self, name, roles, password):
        args = ["user", "add", name]
        for role in roles:
            args += ["--role", role]
        code, out, err = self.humrs_run(args, stdin=password + "\n" + password + "\n")
        if code != 0:
            raise Failed(f"cannot add the account {name}: {err or out}")

    def password(self, name):
        return ACCOUNTS[name][1]

    def _start_service(self):
        log = open(os.path.join(self._folder, "serve.log"), "w")
        self._serve = subprocess.Popen(
            [self.humrs, "--db", self.db, "--date", DATE, "serve", "--listen", "127.0.0.1:0"],
            stdout=subprocess.PIPE, stderr=log, text=True, start_new_session=True, preexec_fn=_end_with_parent)
        line = self._serve.stdout.readline()  # the service writes it once it listens
        try:
            first = json.loads(line)
        except ValueError:
            raise Failed(f"the service did not start: {line!r} {self.service_log()}")
        if not first.get("ok") or "listening" not in first:
            raise Failed(f"the service did not start: {line!r}")
        self.base = "http://" + first["listening"]

    def service_log(self):
        try:
            with open(os.path.join(self._folder, "serve.log")) as f:
                return f.read()[-4000:]
        except OSError:
            return ""

    def _start_browser(self):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for arg in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                    "--lang=zh-CN", "--hide-scrollbars", f"--window-size={self.size[0]},{self.size[1]}"):
            options.add_argument(arg)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        # In a session of its own: the browser's signals to its group never reach this process.
        service = Service("/usr/bin/chromedriver", popen_kw={"start_new_session": True})
        self.driver = webdriver.Chrome(service=service, options=options)
        self.driver.set_page_load_timeout(30)

    # ------------------------------------------------------------ the database

    def humrs_run(self, args, stdin=None):
        return _run([self.humrs, "--db", self.db, "--date", DATE] + args, stdin=stdin)

    def sql(self, select):
        """The rows of a select as dicts, read with `humrs sql` beside the service."""
        code, out, err = self.humrs_run(["sql", select])
        if code != 0:
            raise Failed(f"sql {select!r}: {err or out}")
        answer = json.loads(out)
        return [dict(zip(answer["fields"], row)) for row in answer["rows"]]

    def proc(self, progid, number, arg):
        code, out, err = self.humrs_run(["proc", progid, str(number), "--arg", json.dumps(arg, ensure_ascii=False)])
        if code != 0:
            raise Failed(f"proc {progid} {number}: {err or out}")
        return json.loads(out)["result"]

    # ------------------------------------------------------------ HTTP beside the page

    def session(self, name):
        """A signed-in HTTP session of the account `name`, beside the page's own."""
        return _Session(self, name)

    def _http(self, method, path, body, jar, csrf=None):
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.base + path, data=data, method=method)
        if data is not None:
            request.add_header("Content-Type", "application/json")
        if jar.get("cookie"):
            request.add_header("Cookie", jar["cookie"])
        if csrf:
            request.add_header("X-CSRF-Token", csrf)
        try:
            with urllib.request.urlopen(request, timeout=30) as answer:
                status, headers, text = answer.status, answer.headers, answer.read()
        except urllib.error.HTTPError as e:
            status, headers, text = e.code, e.headers, e.read()
        cookie = headers.get("Set-Cookie")
        if cookie:
            jar["cookie"] = cookie.split(";", 1)[0]
        return status, json.loads(text or b"null")

    # ------------------------------------------------------------ the page

    def go(self, route):
        """Opens a view by its location hash, e.g. "/bill/QVXHumrs.Excuse/new"."""
        if self.driver.current_url.startswith(self.base + "/"):
            self.driver.execute_script("location.hash = arguments[0]", "#" + route)
        else:
            self.driver.get(self.base + "/#" + route)
        self.wait(lambda: self.hash() == "#" + route, f"the location to become #{route}")

    def hash(self):
        return self.driver.execute_script("return location.hash")

    def wait(self, condition, what, timeout=10.0):
        """Waits until condition() gives something true, and gives it back."""
        end = time.monotonic() + timeout
        last = None
        while True:
            try:
                value = condition()
                if value:
                    return value
            except (StaleElementReferenceException, WebDriverException, LookupError) as e:
                last = e
            if time.monotonic() > end:
                raise Failed(f"waited {timeout:g} s for {what}" + (f" ({last.__class__.__name__})" if last else ""))
            time.sleep(POLL)

    def find(self, css, scope=None):
        return (scope or self.driver).find_elements(By.CSS_SELECTOR, css)

    def visible(self, css, scope=None):
        """The elements `css` names that are drawn, in document order."""
        return self.driver.execute_script(
            """return [...(arguments[0] || document).querySelectorAll(arguments[1])]
                 .filter((e) => e.getClientRects().length > 0 && getComputedStyle(e).visibility !== 'hidden');""",
            scope, css)

    def one(self, css, scope=None, what=None):
        """The one visible element `css` names, waited for."""
        def look():
            shown = self.visible(css, scope)
            return shown[0] if len(shown) == 1 else None
        return self.wait(look, what or f"one visible {css}")

    def button(self, name, scope=None):
        """The visible button (or a link drawn as one) whose accessible name is exactly `name`."""
        def look():
            return self.driver.execute_script(
                """return [...(arguments[0] || document).querySelectorAll(
                       'button, input[type=button], input[type=submit], [role=button], a')]
                     .find((b) => b.getClientRects().length > 0 &&
                       (b.getAttribute('aria-label') || b.textContent || b.value || '').trim() === arguments[1]) || null;""",
                scope, name)
        return self.wait(look, f"a button {name}")

    def field(self, name, scope=None):
        """The visible input (or select, textarea) named `name`."""
        def look():
            return self.driver.execute_script(
                """const shown = [...(arguments[0] || document).querySelectorAll(
                       `input[name="${arguments[1]}"], select[name="${arguments[1]}"], textarea[name="${arguments[1]}"]`)]
                     .filter((e) => e.getClientRects().length > 0);
                   return shown.length === 1 ? shown[0] : null;""", scope, name)
        return self.wait(look, f"one visible field named {name}")

    def fill(self, name, value, scope=None, leave=True):
        """Types `value` into the field `name` over what it held; Tab leaves it."""
        element = self.field(name, scope)
        self.driver.execute_script("arguments[0].focus(); arguments[0].select()", element)
        element.send_keys(Keys.DELETE, str(value), *([Keys.TAB] if leave else []))
        return element

    def press(self, *keys):
        """Keys to whatever has the focus; a tuple is a chord (Keys.CONTROL, Keys.INSERT)."""
        chain = ActionChains(self.driver)
        for key in keys:
            if isinstance(key, tuple):
                for k in key[:-1]:
                    chain.key_down(k)
                chain.send_keys(key[-1])
                for k in reversed(key[:-1]):
                    chain.key_up(k)
            else:
                chain.send_keys(key)
        chain.perform()

    def value(self, element):
        return self.driver.execute_script("return arguments[0].value", element)

    def focused(self):
        return self.driver.switch_to.active_element

    def alert(self, timeout=10.0):
        """The text of the role=alert element once it shows some."""
        return self.wait(self.alert_now, "a refusal in role=alert", timeout)

    def alert_now(self):
        return " ".join(e.text.strip() for e in self.visible("[role=alert]")).strip()

    def login(self, name, password):
        self.go("/login")
        form = self.one("form", what="the sign-in form")
        self.fill("name", name, form, leave=False)
        self.fill("password", password, form, leave=False)
        self.button("登录", form).click()
        self.wait(lambda: self.hash() in ("#/", "#", ""), f"{name}'s home after sign-in")

    def logout(self):
        self.go("/")
        self.button("退出").click()
        self.wait(lambda: self.hash() == "#/login" or self.find("input[name=password]"), "the sign-in form again")

    def screenshot(self, name):
        """The whole page, the window's width wide, as out/name."""
        width, height = self.size
        height = max(height, self.driver.execute_script("return document.documentElement.scrollHeight"))
        self.cdp("Emulation.setDeviceMetricsOverride",
                 {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        try:
            png = base64.b64decode(self.cdp("Page.captureScreenshot", {"format": "png"})["data"])
        finally:
            self.cdp("Emulation.clearDeviceMetricsOverride")
        path = os.path.join(self.out, name)
        with open(path, "wb") as f:
            f.write(png)
        return path

    def cdp(self, command, params=None):
        return self.driver.execute_cdp_cmd(command, params or {})

    def console_errors(self):
        try:
            return [e["message"] for e in self.driver.get_log("browser") if e.get("level") == "SEVERE"]
        except WebDriverException:
            return []


class _Session:
    def __init__(self, ws, name):
        self.ws = ws
        self.jar = {}
        status, login = ws._http("POST", "/v1/login", {"name": name, "password": ws.password(name)}, self.jar)
        if status != 200:
            raise Failed(f"{name} cannot sign in over HTTP: {status} {login}")
        self.csrf = login["csrf"]

    def call(self, method, path, body=None):
        return self.ws._http(method, path, body, self.jar, self.csrf)

    def close(self):
        self.call("POST", "/v1/logout")


def _end_with_parent():
    # The service gets SIGTERM should this process die without its tear-down (SIGKILL).
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def _terminated(signum, frame):
    raise KeyboardInterrupt(f"signal {signum}")
