# Shared by run.sh and test.sh: installs what is missing and builds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${KV_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libgl-dev
  libtidy-dev zlib1g-dev libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libpng-tools libpcre2-dev
  xvfb xauth libxcb1-dev
  adwaita-icon-theme libqt6svg6
  desktop-file-utils
)

# Build jobs: KV_JOBS, else every core.
JOBS="${KV_JOBS:-$(nproc)}"
case "$JOBS" in ''|*[!0-9]*|0) echo "KV_JOBS must be a positive number, not '$JOBS'" >&2; exit 2 ;; esac

# in_ci: true when running in CI (CI set, and not to false or 0).
in_ci() { [ -n "${CI:-}" ] && [ "${CI}" != false ] && [ "${CI}" != 0 ]; }

# Configure arguments of every build: ccache where installed; in CI compiler
# warnings are errors.
CONFIGURE_ARGS=()
command -v ccache >/dev/null && CONFIGURE_ARGS+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
in_ci && CONFIGURE_ARGS+=(-DKV_WERROR=ON)

# step TEXT: one line saying what comes next.
step() { echo "==> $*"; }

ensure_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    step "Packages: all ${#PACKAGES[@]} installed"
    return 0
  fi
  step "Installing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build [TARGET...]: configures and builds the given targets, or everything.
build() {
  step "Configuring $BUILD_DIR (Release)"
  mkdir -p "$BUILD_DIR"
  cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release "${CONFIGURE_ARGS[@]}" >"$BUILD_DIR/configure.log" 2>&1 ||
    { cat "$BUILD_DIR/configure.log" >&2; return 1; }
  # The summary: compiler, Qt, build type and what else is built.
  local cache="$BUILD_DIR/CMakeCache.txt"
  grep -E '^(CMAKE_CXX_COMPILER|CMAKE_BUILD_TYPE|CMAKE_CXX_COMPILER_LAUNCHER|Qt6_DIR|KV_BUILD_TESTS|KV_BUILD_BENCH|KV_WERROR|CMAKE_INSTALL_PREFIX):' "$cache" |
    sed 's/^\([^:]*\):[^=]*=/    \1 = /'
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  step "Building ${*:-everything} with $JOBS jobs"
  cmake --build "$BUILD_DIR" --parallel "$JOBS" "${targets[@]}"
}
