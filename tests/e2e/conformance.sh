#!/usr/bin/env bash
# Runs the shared conformance suite when it is present; exit 77 (skipped) otherwise.
vantel=$1
suite=$2
if [ ! -x "$suite/run.sh" ] && [ ! -f "$suite/run.sh" ]; then
    echo "conformance suite not found at $suite: skipped"
    exit 77
fi
exec bash "$suite/run.sh" "$vantel"
