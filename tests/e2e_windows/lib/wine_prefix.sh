# Sourced by the Wine end-to-end scripts: a throw-away work folder holding a fresh 64-bit
# Wine prefix and a home of its own, so nothing touches the caller's profile.
#   wine_prefix_start NAME   sets `work` and exports the prefix's environment
#   wine_prefix_end          stops this prefix's own server and removes the work folder

wine_prefix_start() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/tamlo-wine-$1-XXXXXX")
  export WINEPREFIX="$work/prefix" HOME="$work/home" WINEDEBUG=-all WINEARCH=win64
  export WINEDLLOVERRIDES="mscoree,mshtml=" XDG_CACHE_HOME="$work/home/.cache"
  export XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
  mkdir -p "$HOME"
}

wine_prefix_end() {
  wineserver -k 2>/dev/null || true  # this prefix's own server
  [[ -n "${KEEP:-}" ]] || rm -rf "$work"  # KEEP=1 keeps it to look into
}
