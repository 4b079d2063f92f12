# SPDX-License-Identifier: MIT
# Shared by run.sh and test.sh (sourced, not run): installs the Debian
# packages the build needs when any is missing. Only then does it touch apt,
# so a machine that has everything starts building at once.

# Configure, build and test: compiler, CMake and its generator, GoogleTest;
# Qt 6 Widgets (its offscreen platform plugin runs the widget tests
# headless), its SVG library, which draws the tool bar's pictures, and its SVG
# plugin for the window icon; pkg-config. (muParser, which only the
# benchmarks against it need, bench/e2e_bench.sh installs.) To run and for
# the font tests: the fonts that stand in for the
# Windows faces the window asks for (宋体, 黑体, 楷体_GB2312 and 隶书, MS
# Sans Serif, Times New Roman); Xvfb, to start the window without a display.
# Qt's Chinese translations for its standard buttons and file dialogs; xdotool
# and x11-utils read the window titles back from the X server in a test.
# locales: a decimal-comma locale for the test that number text ignores it.
# libedit-dev: line editing and history for tessary-calc's prompt.
# libfontconfig-dev: the window reads the font configuration early itself.
# desktop-file-utils: a test validates the menu entry.
TESSARY_PACKAGES=(cmake g++ make libgtest-dev qt6-base-dev qt6-svg-dev libqt6svg6
                  qt6-translations-l10n pkg-config libedit-dev libfontconfig-dev
                  fonts-arphic-uming fonts-wqy-zenhei fonts-arphic-ukai fonts-liberation2
                  xvfb xdotool x11-utils locales desktop-file-utils)

tessary_missing_packages() {
  local pkg
  for pkg in "$@"; do
    # "ii" = installed; a removed package can still be known to dpkg.
    if [[ $(dpkg-query -W -f='${db:Status-Abbrev}' "$pkg" 2>/dev/null) != ii* ]]; then
      echo "$pkg"
    fi
  done
}

tessary_sudo() {
  if ((EUID == 0)); then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "Cannot run '$*': run this script as root or install sudo." >&2
    return 1
  fi
}

# Compiles the named locales (e.g. de_DE.UTF-8) that the system lacks.
tessary_ensure_locales() {
  local name have
  have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | tr -d '-')
  for name in "$@"; do
    local folded=${name,,}
    folded=${folded//-/}
    grep -qx "$folded" <<<"$have" && continue
    echo "Generating locale $name" >&2
    tessary_sudo localedef -i "${name%%.*}" -f "${name#*.}" "$name"
  done
}

tessary_install_packages() {
  local missing
  mapfile -t missing < <(tessary_missing_packages "$@")
  ((${#missing[@]} == 0)) && return 0

  local sudo=()
  if ((EUID != 0)); then
    if ! command -v sudo >/dev/null; then
      echo "Missing packages: ${missing[*]}; run this script as root or install sudo." >&2
      return 1
    fi
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}" >&2
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}
