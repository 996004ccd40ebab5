# What the benchmark scripts share; each sources it from the repository's
# top folder, after setting `bench_name` (the name its messages start with):
#  - a work folder, $bench_work, removed on exit together with every process
#    the script registered with bench_started;
#  - requests kept on the loopback interface, whatever proxy is configured;
#  - a private X server (bench_start_xvfb) and the loopback portal stand-in
#    of bench/webpage.py (bench_serve_page);
#  - the table's format: $bench_row_awk defines, for an awk program, row()
#    printing one line of the table and seconds() / megabytes() printing a
#    figure beside its reference, for reference only.

bench_work=$(mktemp -d)
bench_pids=()

# Latest first: a driver goes before the server and the X server it uses.
bench_cleanup() {
  local i
  for ((i = ${#bench_pids[@]} - 1; i >= 0; i--)); do
    # One that ended and was waited for already is no longer ours to wait for.
    if kill "${bench_pids[i]}" 2>/dev/null; then
      wait "${bench_pids[i]}" 2>/dev/null || true
    fi
  done
  rm -rf "$bench_work"
}
trap bench_cleanup EXIT
trap 'exit 130' INT TERM

bench_started() {
  bench_pids+=("$1")
}

# Prints 1 when the table's header is wanted: unless the script's first
# argument is --rows-only (bench/run.sh prints one header for all rows).
bench_header_wanted() {
  if [[ ${1:-} == --rows-only ]]; then echo 0; else echo 1; fi
}

bench_fail() {
  echo "$bench_name: $*" >&2
  exit 1
}

unset http_proxy https_proxy all_proxy HTTP_PROXY HTTPS_PROXY ALL_PROXY
export no_proxy=127.0.0.1 NO_PROXY=127.0.0.1

# A private X server of the screen size the tests use; exports DISPLAY.
bench_start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$bench_work/display" \
    2>"$bench_work/xvfb.log" &
  bench_started $!
  local _
  for _ in $(seq 100); do
    [[ -s $bench_work/display ]] && break
    sleep 0.05
  done
  if [[ ! -s $bench_work/display ]]; then
    cat "$bench_work/xvfb.log" >&2
    bench_fail "Xvfb did not start"
  fi
  export DISPLAY=:$(<"$bench_work/display")
}

# bench_serve_page <port> <page file> <request log> <lifetime s>: the portal
# stand-in (see bench/webpage.py), once it listens.
bench_serve_page() {
  : >"$3"
  : >"$bench_work/server.ready"
  python3 bench/webpage.py serve "$@" >"$bench_work/server.ready" 2>"$bench_work/server.log" &
  local server=$!
  bench_started $server
  local _ said
  for _ in $(seq 900); do
    said=
    read -r said <"$bench_work/server.ready" || true
    [[ $said == ready ]] && return 0
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
  done
  cat "$bench_work/server.log" >&2
  bench_fail "the loopback server did not start on port $1"
}

# The program that finds its portal at the port bench_serve_page serves on:
# the "online" test build.
bench_online_program() {
  if [[ ! -x build/tests/online/login-launcher ]]; then
    bash tools/build.sh >&2
  fi
  echo build/tests/online/login-launcher
}

bench_minibrowser() {
  local minibrowser
  minibrowser=$(python3 bench/webpage.py minibrowser)
  [[ -x $minibrowser ]] || bench_fail "no MiniBrowser at $minibrowser"
  echo "$minibrowser"
}

# shellcheck disable=SC2016
bench_row_awk='
  function row(figure, ours, reference, ratio, goal, met) {
    printf "%-42s %-10s %-22s %-6s %-28s %s\n", figure, ours, reference, ratio, goal,
      met == "" ? "" : met ? "ok" : "MISSED"
  }
  function ratio(o, r) {
    return r > 0 ? sprintf("%.2f", o / r) : "-"
  }
  function seconds(figure, o, r, what) {
    row(figure, sprintf("%.3f s", o), sprintf("%.3f s %s", r, what), ratio(o, r), "(for reference)", "")
  }
  function megabytes(figure, o, r, what) {
    row(figure, sprintf("%.1f MB", o / 1048576), sprintf("%.1f MB %s", r / 1048576, what), ratio(o, r),
      "(for reference)", "")
  }
  function heading() {
    row("figure", "ours", "reference", "ratio", "goal", "")
  }'
