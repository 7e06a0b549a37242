#!/usr/bin/python3
"""What a test needs from the machine. A test whose external tool (a program or a Python
module) is missing is reported as skipped: the script exits with SKIP, the status every test
script has as its ctest SKIP_RETURN_CODE. Under CI=true a missing tool fails the test instead,
since there every tool is installed. Never does a missing tool pass a test.

In a unittest script: needs.require("isoinfo") in a test or its setUp, needs.module("pycdlib")
for an import the whole script rests on, and needs.main() in place of unittest.main().
From a shell script: python3 needs.py TOOL... [--module NAME...] || exit $?
"""
import importlib
import os
import shutil
import sys
import unittest

SKIP = 77


def under_ci():
    return os.environ.get("CI") == "true"


def missing(tools=(), modules=()):
    """The tools not on the PATH and the modules that cannot be imported."""
    gone = [t for t in tools if not shutil.which(t)]
    for name in modules:
        try:
            importlib.import_module(name)
        except ImportError:
            gone.append("python3-" + name)
    return gone


def text(gone):
    return "missing: " + ", ".join(gone) + (" (CI=true: every test tool must be installed)" if under_ci() else "")


def require(*tools, modules=()):
    """In a test: skips it when a tool is missing (fails it under CI)."""
    gone = missing(tools, modules)
    if gone:
        if under_ci():
            raise AssertionError(text(gone))
        raise unittest.SkipTest(text(gone))


def exit_unless_present(tools=(), modules=()):
    """In a plain script: ends it with SKIP (1 under CI) when a tool is missing."""
    gone = missing(tools, modules)
    if gone:
        print(text(gone), file=sys.stderr)
        sys.exit(1 if under_ci() else SKIP)


def module(name):
    """Imports a module the whole script needs, or ends the script as exit_unless_present does."""
    exit_unless_present(modules=(name,))
    return importlib.import_module(name)


def main():
    """unittest.main(), ending with 1 on a failure, SKIP when a test was skipped (1 under CI)
    and 0 only when every test ran and passed."""
    result = unittest.main(exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    if result.skipped:
        print("%d test(s) skipped" % len(result.skipped), file=sys.stderr)
        sys.exit(1 if under_ci() else SKIP)
    sys.exit(0)


if __name__ == "__main__":
    args = sys.argv[1:]
    at = args.index("--module") if "--module" in args else len(args)
    exit_unless_present(args[:at], args[at + 1:])
