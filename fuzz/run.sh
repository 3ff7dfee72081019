#!/usr/bin/env bash
# Builds the fuzz programs with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz and runs each for SECONDS (default
# 60). The committed corpus (fuzz/corpus/<name>) seeds every run; new inputs go
# to build-fuzz/corpus/<name>, crashes to build-fuzz/crashes/<name>. With
# MERGE=1 the new inputs are minimised into the committed corpus afterwards.
#   usage: fuzz/run.sh [SECONDS] [NAME...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
names=("$@")
[[ ${#names[@]} -gt 0 ]] || names=(ber_decode pkcs8_key_info pkcs1_unpad digest_info_check event_table skiff_options)

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DKIT_FUZZ=ON -DKIT_SANITIZE=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
  -DKIT_ONLY="security/framework;security/codec;security/engines;security/catalogue;platform/form;scheduler;launcher/common;launcher/skiff;fuzz" >/dev/null
failed=()
for name in "${names[@]}"; do
  if ! cmake --build build-fuzz -j"${JOBS:-2}" --target "${name}_fuzz"; then
    echo "fuzz: ${name}_fuzz does not build; not run" >&2
    failed+=("$name")
    continue
  fi
  mkdir -p "build-fuzz/corpus/$name" "build-fuzz/crashes/$name"
  echo "== $name: ${seconds}s"
  "build-fuzz/bin/${name}_fuzz" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -artifact_prefix="build-fuzz/crashes/$name/" -print_final_stats=1 \
    "build-fuzz/corpus/$name" "fuzz/corpus/$name"
  if [[ "${MERGE:-0}" == 1 ]]; then
    mkdir -p "build-fuzz/merged/$name"
    "build-fuzz/bin/${name}_fuzz" -merge=1 "build-fuzz/merged/$name" \
      "fuzz/corpus/$name" "build-fuzz/corpus/$name"
    rm -f "fuzz/corpus/$name"/*
    cp "build-fuzz/merged/$name"/* "fuzz/corpus/$name/"
    rm -rf "build-fuzz/merged/$name"
  fi
done
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz: not run: ${failed[*]}" >&2
  exit 1
fi
