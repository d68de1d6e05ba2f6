#!/usr/bin/python3
"""Runs the shell examples of README.md and docs/*.md in order, in a fresh folder, as a
newcomer would type them, and compares what they print with what the docs show.

What counts as an example:
  ```sh            every line is run (a line ending in a backslash, or a heredoc,
                   continues); the block runs as one script, and must succeed.
  ```  (or console) a line starting with "$ " is a command; the lines after it, up to
                   the next "$ " line, are what it prints. "# exit code N" at the end
                   of a line says the command ends with N (else 0). "..." stands for
                   any text, long runs of digits (dates, bill numbers) for any digits,
                   and white space is not compared; a line starting with "#" is a
                   remark, not output.
A block that follows the line <!-- docs: skip --> is not run, and one that follows
<!-- docs: postgresql --> runs only where a test server is given (HUMRS_TEST_PG_URL),
with postgresql://hr@dbhost/hrdb standing for a fresh database on it.

Usage: run_doc_examples.py --humrs PATH/TO/humrs --source SOURCE_DIR [--only FILE]
Exit 0 when every example did as shown; otherwise each difference is printed.
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import uuid

DOCS_ORDER = ["README.md", "docs/first-bills.md", "docs/objects.md", "docs/cli.md", "docs/service.md"]


class Example:
    def __init__(self, doc, line, command, expected=None, exit_code=0, script=False, postgres=False):
        self.doc, self.line, self.command = doc, line, command
        self.expected, self.exit_code, self.script, self.postgres = expected, exit_code, script, postgres

    def where(self):
        return f"{self.doc}:{self.line}"


def continued(lines, i):
    """The command starting at lines[i], with its continuation lines; and the next index."""
    command = [lines[i]]
    heredoc = re.search(r"<<-?\s*'?\"?(\w+)'?\"?", lines[i])
    i += 1
    if heredoc:
        end = heredoc.group(1)
        while i < len(lines) and lines[i].strip() != end:
            command.append(lines[i])
            i += 1
        if i < len(lines):
            command.append(lines[i])
            i += 1
        return "\n".join(command), i
    while command[-1].rstrip().endswith("\\") and i < len(lines):
        command.append(lines[i])
        i += 1
    return "\n".join(command), i


def examples_of(doc, text):
    found = []
    lines = text.split("\n")
    i = 0
    mark = None
    while i < len(lines):
        stripped = lines[i].strip()
        if stripped.startswith("<!-- docs:"):
            mark = stripped[len("<!-- docs:"):].rstrip("->").strip()
            i += 1
            continue
        fence = re.match(r"^```(\w*)\s*$", lines[i])
        if not fence:
            if stripped:
                mark = None
            i += 1
            continue
        lang = fence.group(1)
        start = i + 1
        end = start
        while end < len(lines) and not lines[end].startswith("```"):
            end += 1
        body = lines[start:end]
        i = end + 1
        if mark == "skip" or lang not in ("", "sh", "console"):
            mark = None
            continue
        postgres = mark == "postgresql"
        mark = None
        if lang == "sh":
            found.append(Example(doc, start, "\n".join(body), script=True, postgres=postgres))
            continue
        j = 0
        while j < len(body):
            if not body[j].startswith("$ "):
                j += 1
                continue
            body_line = start + j + 1
            first = body[j][2:]
            rest = [first] + body[j + 1:]
            command, used = continued(rest, 0)
            j += used
            expected = []
            while j < len(body) and not body[j].startswith("$ "):
                expected.append(body[j])
                j += 1
            exit_code = 0
            text = "\n".join(expected)
            code = re.search(r"#\s*exit code (\d+)", text)
            if code:
                exit_code = int(code.group(1))
                text = re.sub(r"\s*#\s*exit code \d+", "", text)
            # A line of its own starting with "#" is a remark on the next command.
            text = "\n".join(line for line in text.split("\n") if not line.lstrip().startswith("#"))
            found.append(Example(doc, body_line, command, text.strip(), exit_code, postgres=postgres))
    return found


def pattern_of(expected):
    """A regular expression for what the docs show: '...' any text, 8 or more digits any
    digits, white space left out."""
    compact = re.sub(r"\s+", "", expected)
    parts = re.split(r"(\.\.\.|…|\d{8,})", compact)
    out = []
    for part in parts:
        if part in ("...", "…"):
            out.append(".*?")
        elif re.fullmatch(r"\d{8,}", part or "x"):
            out.append(r"\d{8,}")
        else:
            out.append(re.escape(part))
    return re.compile("".join(out), re.S)


SESSIONS = []  # process groups of the examples, ended with the run (a server an example started)


def run(example, folder, env):
    process = subprocess.Popen(["bash", "-c", ("set -e\n" if example.script else "") + example.command],
                               cwd=folder, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                               start_new_session=True)
    SESSIONS.append(process.pid)
    try:
        stdout, stderr = process.communicate(timeout=120)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        return ["still running after 120 s (a server an example starts goes to the background: end its line with &)"]
    result = subprocess.CompletedProcess(process.args, process.returncode, stdout, stderr)
    problems = []
    if example.script:
        if result.returncode != 0:
            problems.append(f"the block ended with exit code {result.returncode}\n{result.stdout}{result.stderr}")
        return problems
    if result.returncode != example.exit_code:
        problems.append(f"exit code {result.returncode}, the docs say {example.exit_code}")
    if example.expected:
        actual = re.sub(r"\s+", "", result.stdout + result.stderr)
        if not pattern_of(example.expected).fullmatch(actual):
            problems.append(f"prints\n  {(result.stdout + result.stderr).strip()}\nthe docs show\n  {example.expected}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--humrs", required=True, help="the built humrs program")
    parser.add_argument("--source", required=True, help="the source tree, holding README.md and docs/")
    parser.add_argument("--only", help="run only this document (e.g. docs/cli.md)")
    args = parser.parse_args()

    pg_url = os.environ.get("HUMRS_TEST_PG_URL", "") if os.environ.get("HUMRS_TEST_BACKEND", "").startswith("postgres") else ""
    folder = tempfile.mkdtemp(prefix="humrs-docs-")
    failures = 0
    ran = 0
    try:
        # The docs call the program as humrs and as ./build/humrs.
        os.makedirs(os.path.join(folder, "bin"))
        os.makedirs(os.path.join(folder, "build"))
        humrs = os.path.abspath(args.humrs)
        os.symlink(humrs, os.path.join(folder, "bin", "humrs"))
        os.symlink(humrs, os.path.join(folder, "build", "humrs"))
        env = {k: v for k, v in os.environ.items() if not k.startswith("HUMRS_")}
        env["PATH"] = os.path.join(folder, "bin") + os.pathsep + env.get("PATH", "/usr/bin:/bin")
        env["HOME"] = folder
        docs = [args.only] if args.only else DOCS_ORDER
        for doc in docs:
            path = os.path.join(args.source, doc)
            if not os.path.exists(path):
                print(f"{doc}: missing")
                failures += 1
                continue
            with open(path, encoding="utf-8") as f:
                examples = examples_of(doc, f.read())
            for example in examples:
                command = example.command
                if example.postgres:
                    if not pg_url:
                        continue
                    database = "humrs_docs_" + uuid.uuid4().hex[:8]
                    subprocess.run(["bash", "-c", f"psql '{pg_url}/postgres' -qc 'CREATE DATABASE {database}'"],
                                   check=True, capture_output=True)
                    command = command.replace("postgresql://hr@dbhost/hrdb", f"{pg_url}/{database}")
                    example.command = command
                ran += 1
                problems = run(example, folder, env)
                if problems:
                    failures += 1
                    print(f"FAIL {example.where()}: {example.command.splitlines()[0]}")
                    for p in problems:
                        print("  " + p.replace("\n", "\n  "))
    finally:
        for group in SESSIONS:
            try:
                os.killpg(group, signal.SIGTERM)
            except ProcessLookupError:
                pass
        shutil.rmtree(folder, ignore_errors=True)
    print(f"docs: {ran} examples run, {failures} failed")
    return 1 if failures or ran == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
