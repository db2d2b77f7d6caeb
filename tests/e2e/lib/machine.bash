# Sourced by the end-to-end scripts: one user's machine inside a folder of the test's own.
# (Not a test itself: ctest runs the *.sh files of tests/e2e only.)

# e2e_machine DIR: HOME, the XDG folders, TMPDIR and the registry store point under DIR,
# as tamlo-run gives its prefix, so a run never touches the real profile and the program
# and start-menu folders are the user's own even for root. Makes the standard folders.
e2e_machine() {
  export HOME="$1/home" XDG_DATA_HOME="$1/home/.local/share"
  export XDG_CONFIG_HOME="$1/home/.config" XDG_CACHE_HOME="$1/home/.cache"
  export XDG_DESKTOP_DIR="$1/home/Desktop" TMPDIR="$1/tmp"
  export TAMLO_REGISTRY_DIR="$1/registry" TAMLO_PER_USER_FOLDERS=1
  e2e_machine_folders
}

# e2e_machine_folders: (again) the folders a desktop has, which the engine makes only when
# a script asks where they are.
e2e_machine_folders() {
  mkdir -p "$HOME/Desktop" "$HOME/.local/opt" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME" \
    "$XDG_CACHE_HOME" "$TMPDIR" "$TAMLO_REGISTRY_DIR"
}
