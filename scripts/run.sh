#!/usr/bin/env bash
# Starts the built program. Without a display it says what is missing instead of letting Qt
# stop with a platform error.
set -euo pipefail
build_dir=${1:-build}

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  cat >&2 <<MSG
No hay pantalla: las variables DISPLAY y WAYLAND_DISPLAY están vacías, así que la ventana de
Atalaya no puede abrirse aquí.

  - En un escritorio Linux, ejecute:   ${build_dir}/atalaya
  - Sin pantalla, con una virtual:     xvfb-run -a ${build_dir}/atalaya
    (xvfb-run lo instala 'make run' junto con el resto de dependencias)
MSG
  exit 1
fi
exec "${build_dir}/atalaya"
