#!/usr/bin/env bash
# The module as others take it: loaded with dlopen by a host, installed into a prefix and found
# there through its CMake package and its pkg-config files (the module, and the job library with
# its example), and packed as Debian packages that lintian passes, the command's man page showing
# what the packed command prints.
#
#   packaging_test.sh --build DIR [--source DIR] [--cxx COMPILER] [--sanitize 0|1]
#                     [--dlopen-host FILE] [--module FILE] [--cli NAME|none]
#
# Everything but --build is found from the build tree when not given. Works in a temporary
# directory that it removes; the build tree gains nothing.
set -euo pipefail

source_dir="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="" cxx="" sanitize="" dlopen_host="" module="" cli=""
while [ $# -gt 0 ]; do
  case "$1" in
    --source) source_dir=$2 ;;
    --build) build_dir=$2 ;;
    --cxx) cxx=$2 ;;
    --sanitize) sanitize=$2 ;;
    --dlopen-host) dlopen_host=$2 ;;
    --module) module=$2 ;;
    --cli) cli=$2 ;;
    *) echo "usage: $0 --build DIR [--source DIR] [--cxx COMPILER] [--sanitize 0|1]" \
            "[--dlopen-host FILE] [--module FILE] [--cli NAME|none]" >&2; exit 64 ;;
  esac
  shift 2
done
[ -n "$build_dir" ] || { echo "$0: --build DIR is required" >&2; exit 64; }
build_dir="$(cd "$build_dir" && pwd)"

cached() { sed -n "s/^$1:[A-Z]*=//p" "$build_dir/CMakeCache.txt"; }
[ -n "$cxx" ] || cxx=$(cached CMAKE_CXX_COMPILER)
[ -n "$sanitize" ] || sanitize=$(cached VIRU4DEDUZ_SANITIZE)
[ -n "$dlopen_host" ] || dlopen_host="$build_dir/examples/dlopen_host"
[ -n "$module" ] || module="$build_dir/libVirU4Deduz.so"
[ -n "$cli" ] || cli=none
case "$sanitize" in 1|ON|on|TRUE|true) sanitize_flags="-fsanitize=address,undefined" ;; *) sanitize_flags="" ;; esac
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
step() { echo "== $*"; }

work="$(mktemp -d "${TMPDIR:-/tmp}/viru4deduz-packaging-XXXXXX")"
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
# The module keeps its settings under XDG_CONFIG_HOME and leaves a chain file in the current
# directory after a read error: both go to the temporary directory.
export XDG_CONFIG_HOME="$work/config"
cd "$work"

job="$build_dir/sample/PIPE1.X4"
[ -f "$job" ] && [ -f "$build_dir/sample/PIPE1._P" ] || { echo "FAIL: no sample job in $build_dir/sample" >&2; exit 1; }

# Case 1 of the sample at node 40, a rest and a guide: FY -4123.6 - 210.4 + 350.2 = -3983.8 and
# FZ 35.8 + 12.4 + 812.3 = 860.5, rounded half away from zero.
expected_case1_node40="0 -3984 861 0 0 0"

# Runs a host with no terminal at all (a new session, standard input empty), as a batch job does.
no_terminal() { setsid -w "$@" </dev/null; }

step "dlopen host on the sample"
out=$(no_terminal "$dlopen_host" -m "$module" "$job" 40 1) || fail "dlopen host: exit status $?"
got=$(printf '%s\n' "$out" | awk '/^[FM][XYZ] / { printf "%s%s", sep, $2; sep = " " }')
[ "$got" = "$expected_case1_node40" ] || fail "dlopen host: loads '$got', expected '$expected_case1_node40'"
printf '%s\n' "$out" | grep -q '^case 1  CASE 1 (OPE) W+D1+T1+P1$' || fail "dlopen host: no label in: $out"
# A node without a restraint: status 2, and the module's message on standard error.
status=0
err=$(no_terminal "$dlopen_host" -m "$module" "$job" 50 1 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] || fail "dlopen host, node 50: exit status $status, expected 2"
grep -q "No restraint found with this node number." <<<"$err" || fail "dlopen host, node 50: message: $err"
# No case named and no terminal to choose on: the selection is cancelled, status 1.
status=0
no_terminal "$dlopen_host" -m "$module" "$job" 40 0 >/dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "dlopen host, case 0 without a terminal: exit status $status, expected 1"

step "cmake --install into a temporary prefix"
prefix="$work/prefix"
if ! cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  echo "FAIL: cmake --install (is the build tree built?)" >&2
  exit 1
fi
lib=$(find "$prefix" -name "libVirU4Deduz.so" | head -n 1)
[ -n "$lib" ] || fail "install: no libVirU4Deduz.so"
libdir=$(dirname "${lib:-$prefix/lib/x}")
[ -f "$prefix/include/VirU4Deduz/VirU4Deduz.h" ] || fail "install: no header"
[ -z "$(find "$prefix" -name '*.a')" ] || fail "install: static libraries installed: $(find "$prefix" -name '*.a')"

step "find_package host against the prefix"
if cmake -S "$source_dir/examples/find_package_host" -B "$work/find_package_host" "${generator[@]}" \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$sanitize_flags" \
      >"$work/fp.log" 2>&1 &&
   cmake --build "$work/find_package_host" >>"$work/fp.log" 2>&1; then
  got=$(no_terminal "$work/find_package_host/find_package_host" "$job" 40 1) || fail "find_package host: exit status $?"
  [ "$got" = "case 1 node 40: $expected_case1_node40" ] || fail "find_package host printed '$got'"
  cmake --install "$work/find_package_host" --prefix "$work/host-prefix" >/dev/null ||
    fail "find_package host: install"
else
  cat "$work/fp.log" >&2
  fail "find_package host: configure or build"
fi

# The job library's example prints each support of case 1 as the command's supports rows give it.
expected_supports=""
if [ -x "$build_dir/tools/cli/viru4deduz" ]; then
  expected_supports=$("$build_dir/tools/cli/viru4deduz" supports "$job" --case 1 --csv |
    tail -n +2 | cut -d, -f2-8 | tr , ' ')
fi
job_api_host_checks() {  # $1: how it was built, $2...: the program
  local how=$1; shift
  local got
  got=$(no_terminal "$@" "$job" 1) || fail "job library example ($how): exit status $?"
  grep -qx "40 $expected_case1_node40" <<<"$got" || fail "job library example ($how): no node 40 in '$got'"
  [ -z "$expected_supports" ] || [ "$got" = "$expected_supports" ] ||
    fail "job library example ($how): $(diff <(echo "$expected_supports") <(echo "$got"))"
}

step "the job library's example against the prefix"
if cmake -S "$source_dir/examples/job_api_host" -B "$work/job_api_host" "${generator[@]}" \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$sanitize_flags" \
      >"$work/ja.log" 2>&1 &&
   cmake --build "$work/job_api_host" >>"$work/ja.log" 2>&1; then
  job_api_host_checks "find_package" "$work/job_api_host/job_api_host"
else
  cat "$work/ja.log" >&2
  fail "job library example: configure or build"
fi

step "pkg-config from the prefix"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
version=$(pkg-config --modversion viru4deduz) || fail "pkg-config: viru4deduz not found"
[ "$version" = "$(cached CMAKE_PROJECT_VERSION)" ] || fail "pkg-config: version '$version'"
flags=$(pkg-config --cflags --libs viru4deduz) || fail "pkg-config: --cflags --libs"
grep -q -- "-lVirU4Deduz" <<<"$flags" || fail "pkg-config: no -lVirU4Deduz in '$flags'"
# shellcheck disable=SC2086  # the flags are words
if "$cxx" -std=c++20 $sanitize_flags "$source_dir/examples/find_package_host/main.cc" $flags \
     -o "$work/pkg_config_host" 2>"$work/cc.log"; then
  got=$(LD_LIBRARY_PATH="$libdir" no_terminal "$work/pkg_config_host" "$job" 40 1) || fail "pkg-config host: exit status $?"
  [ "$got" = "case 1 node 40: $expected_case1_node40" ] || fail "pkg-config host printed '$got'"
else
  cat "$work/cc.log" >&2
  fail "pkg-config host: compile with '$flags'"
fi

flags=$(pkg-config --cflags --libs viru4deduz-job) || fail "pkg-config: viru4deduz-job not found"
# shellcheck disable=SC2086  # the flags are words
if "$cxx" -std=c++20 $sanitize_flags "$source_dir/examples/job_api_host/main.cc" $flags \
     -o "$work/pkg_config_job_host" 2>"$work/cc.log"; then
  job_api_host_checks "pkg-config" env LD_LIBRARY_PATH="$libdir" "$work/pkg_config_job_host"
else
  cat "$work/cc.log" >&2
  fail "job library example: compile with '$flags'"
fi

step "cpack -G DEB"
version=$(cached CMAKE_PROJECT_VERSION)
deb() { echo "$work/deb/$1_${version}_$(dpkg --print-architecture).deb"; }
# Package $1 holds a path for each pattern of dpkg -c's lines that follows, and Debian's copyright
# file and changelog; no static library.
holds() {
  local package=$1 listing re; shift
  listing=$(dpkg -c "$(deb "$package")") || { fail "no package $package"; return; }
  for re in "$@" "^-.* \./usr/share/doc/$package/copyright$" "^-.* \./usr/share/doc/$package/changelog\.gz$"; do
    grep -Eq "$re" <<<"$listing" || fail "$package: nothing matches $re"
  done
  ! grep -Eq '\.a$' <<<"$listing" || fail "$package: holds a static library"
  awk -v deb="$(deb "$package")" 'NR == 1 { print deb ":" } { print "  " $6, $7, $8 }' <<<"$listing"
}
if cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1; then
  lib_re="\./usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
  holds libviru4deduz0 "^-.* $lib_re/libVirU4Deduz\.so\.[0-9]+\.[0-9]+\.[0-9]+$" \
    "^l.* $lib_re/libVirU4Deduz\.so\.[0-9]+ -> libVirU4Deduz\.so\.[0-9.]+$"
  holds libviru4deduz-dev "^l.* $lib_re/libVirU4Deduz\.so -> libVirU4Deduz\.so\.[0-9]+$" \
    "^-.* \./usr/include/VirU4Deduz/VirU4Deduz\.h$" "^-.* $lib_re/pkgconfig/viru4deduz\.pc$" \
    "^-.* $lib_re/cmake/VirU4Deduz/VirU4DeduzConfig\.cmake$" \
    "^-.* $lib_re/cmake/VirU4Deduz/VirU4DeduzConfigVersion\.cmake$" \
    "^-.* $lib_re/cmake/VirU4Deduz/VirU4DeduzTargets\.cmake$" \
    "^l.* $lib_re/libVirU4DeduzJob\.so -> libVirU4DeduzJob\.so\.[0-9]+$" \
    "^-.* \./usr/include/VirU4Deduz/Job\.h$" "^-.* $lib_re/pkgconfig/viru4deduz-job\.pc$"
  holds libviru4deduzjob0 "^-.* $lib_re/libVirU4DeduzJob\.so\.[0-9]+\.[0-9]+\.[0-9]+$" \
    "^l.* $lib_re/libVirU4DeduzJob\.so\.[0-9]+ -> libVirU4DeduzJob\.so\.[0-9.]+$"
  # dpkg-shlibdeps sorts what it finds.
  [[ $(dpkg-deb -f "$(deb libviru4deduz0)" Depends) == *libc6*libstdc++6* ]] || fail "libviru4deduz0: Depends"
  [[ $(dpkg-deb -f "$(deb libviru4deduz-dev)" Depends) == "libviru4deduz0 (= $version), libviru4deduzjob0 (= $version)" ]] ||
    fail "libviru4deduz-dev: Depends"
  if [ "$cli" != none ]; then
    holds viru4deduz "^-.* \./usr/bin/$cli$" "^-.* \./usr/share/man/man1/viru4deduz\.1\.gz$" \
      "^-.* \./usr/share/bash-completion/completions/viru4deduz$" \
      "^-.* \./usr/share/viru4deduz/sample/PIPE1\.X4$" "^-.* \./usr/share/viru4deduz/sample/PIPE1\._P$"

    [ "$(dpkg-deb -f "$(deb viru4deduz)" Recommends)" = "bash-completion" ] || fail "viru4deduz: Recommends"

    step "the man page's examples, with the packed command and sample"
    root="$work/root"
    dpkg-deb -x "$(deb viru4deduz)" "$root"
    # The lines of the EXAMPLES section's no-fill blocks: "$ " commands and what they print.
    transcript=$(zcat "$root/usr/share/man/man1/viru4deduz.1.gz" |
      sed -n '/^\.SH EXAMPLES/,/^\.SH /{/^\.nf/,/^\.fi/p}' | grep -v '^\.\(nf\|fi\)$' | sed 's/\\-/-/g')
    script=$(grep '^\$ ' <<<"$transcript" | while IFS= read -r line; do
      printf 'printf "%%s\\n" %q\n%s\n' "$line" "${line#\$ }"; done)
    got=$(PATH="$root/usr/bin:$PATH" no_terminal bash -c "${script//\/usr\/share\//$root/usr/share/}" 2>&1 |
      sed "s|$root||g")
    [ -n "$script" ] && [ "$got" = "$transcript" ] ||
      fail "man page examples: $(diff <(echo "$transcript") <(echo "$got"))"
  fi

  if [ -f "$(deb python3-viru4deduz)" ]; then
    holds python3-viru4deduz "^-.* \./usr/lib/python3/dist-packages/viru4deduz/__init__\.py$" \
      "^-.* \./usr/lib/python3/dist-packages/viru4deduz/_viru4deduz\.cpython-[0-9]+-.*\.so$" \
      "^-.* \./usr/lib/python3/dist-packages/viru4deduz/__init__\.pyi$"
    [[ $(dpkg-deb -f "$(deb python3-viru4deduz)" Depends) == "libviru4deduzjob0 (= $version), "*python3-numpy ]] ||
      fail "python3-viru4deduz: Depends"

    step "the packed Python package answers as the packed job library does"
    pyroot="$work/pyroot"
    dpkg-deb -x "$(deb python3-viru4deduz)" "$pyroot"
    dpkg-deb -x "$(deb libviru4deduzjob0)" "$pyroot"
    # An instrumented build's extension needs the sanitizers' runtime loaded into the interpreter.
    preload=""
    if [ -n "$sanitize_flags" ]; then
      case "$("$cxx" --version)" in
        *clang*) preload=$("$cxx" -print-file-name="libclang_rt.asan-$(uname -m).so") ;;
        *) preload=$("$cxx" -print-file-name=libasan.so) ;;
      esac
    fi
    answer=$(cd "$work" && PYTHONPATH="$pyroot/usr/lib/python3/dist-packages" LD_PRELOAD="$preload" \
      ASAN_OPTIONS=detect_leaks=0 \
      LD_LIBRARY_PATH="$pyroot/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)" /usr/bin/python3 -c '
import sys, viru4deduz
assert viru4deduz.__file__.startswith(sys.argv[1]), viru4deduz.__file__
with viru4deduz.open(sys.argv[2]) as job:
    print(int(job.supports(1)[0][1]))' "$pyroot" "$build_dir/sample/PIPE1.X4" 2>&1) ||
      fail "python3-viru4deduz: $answer"
    [ "$answer" = "-170" ] || fail "python3-viru4deduz: the sample's first support gives '$answer'"
  fi

  step "lintian"
  command -v lintian >/dev/null || "$source_dir/scripts/install-deps" >&2 || fail "lintian: cannot install it"
  lintian --fail-on error "$work"/deb/*.deb || fail "lintian: errors in the packages"
else
  cat "$work/cpack.log" >&2
  fail "cpack"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "packaging: all passed"
