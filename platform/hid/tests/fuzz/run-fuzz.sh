#!/bin/sh
# Builds the report-descriptor fuzz target with clang++ (libFuzzer, ASan, UBSan) and runs it
# briefly on the seed corpus. Usage: run-fuzz.sh <clang++ or empty> <source root> <work dir>
# [seconds]. Exit 77 (skipped) when clang++ is missing.
set -eu
clangxx=$1
root=$2
work=$3
seconds=${4:-15}
here=$root/platform/hid/tests/fuzz
if [ -z "$clangxx" ] || ! command -v "$clangxx" >/dev/null 2>&1; then
    echo "SKIPPED: clang++ not found; install clang and libclang-rt-14-dev to run the HID fuzzer"
    exit 77
fi
mkdir -p "$work/corpus" "$work/artifacts"
"$clangxx" -std=c++20 -g -O1 -Wall -Wextra -Werror -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$root" \
    "$here/HidDescriptorFuzz.cpp" "$root/platform/hid/HidDescriptor.cpp" -o "$work/hid_descriptor_fuzz"
# libFuzzer's own error exit code is 77, the code that marks the test skipped: findings exit 1.
exec "$work/hid_descriptor_fuzz" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 \
    -error_exitcode=1 -timeout_exitcode=1 -max_len=4200 -artifact_prefix="$work/artifacts/" \
    -print_final_stats=1 "$work/corpus" "$here/corpus"
