#!/usr/bin/env bash
# Starts Atalaya attached to the virtual decoder, so everything can be tried without hardware.
# Without a display it runs a short walkthrough with atalaya-cli against the virtual decoder
# instead, and says how to open the window.
set -euo pipefail
build_dir=$(cd "${1:-build}" && pwd)
state_dir="$build_dir/virtual-decoder"
mkdir -p "$state_dir"

# The virtual decoder keeps its EEPROM between runs, like a real one.
"$build_dir/atalaya-virtual-decoder" --eeprom "$state_dir/eeprom.bin" >"$state_dir/device" \
  2>"$state_dir/log" &
decoder=$!
trap 'kill "$decoder" 2>/dev/null; wait "$decoder" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [[ -s "$state_dir/device" ]] && break
  sleep 0.1
done
device=$(head -n 1 "$state_dir/device")
if [[ -z "$device" ]]; then
  echo "No se pudo arrancar el decodificador virtual:" >&2
  cat "$state_dir/log" >&2
  exit 1
fi
echo "Decodificador virtual en $device (EEPROM en $state_dir/eeprom.bin)"
# What a JTAG read of its memory would give: the video frame buffer and the flash image.
"$build_dir/atalaya-virtual-decoder" --export "$state_dir" >/dev/null
echo "Su memoria: $state_dir/frame.bin (imagen de vídeo), $state_dir/flash.bin (flash con canales)"

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  "$build_dir/atalaya" --port "$device"
  exit $?
fi

cli="$build_dir/atalaya-cli"
work=$(mktemp -d)
trap 'kill "$decoder" 2>/dev/null; wait "$decoder" 2>/dev/null || true; rm -rf "$work"' EXIT
cat <<MSG

No hay pantalla (DISPLAY y WAYLAND_DISPLAY están vacías), así que en lugar de la ventana
se muestra un recorrido con atalaya-cli contra el decodificador virtual.

MSG
echo "1. Leer la EEPROM entera:  atalaya-cli eeprom read --port $device eeprom.bin"
"$cli" eeprom read --port "$device" "$work/eeprom.bin"
echo "   $(stat -c %s "$work/eeprom.bin") bytes leídos; las primeras filas:"
od -A x -t x1 -N 48 "$work/eeprom.bin" | sed 's/^/   /'
echo
echo "2. Verificarla contra el decodificador:  atalaya-cli eeprom verify --port $device eeprom.bin"
"$cli" eeprom verify --port "$device" "$work/eeprom.bin"
echo
echo "3. Probar el puerto paralelo del decodificador:  atalaya-cli send --port $device %PR?"
echo "   respuesta: $("$cli" send --port "$device" '%PR?')"
echo
echo "4. La lista de canales de su flash:  atalaya-cli channels dump flash.bin"
"$cli" channels dump "$state_dir/flash.bin" | head -n 8 | cut -c 1-100 | sed 's/^/   /'
echo "   ..."
echo
echo "5. La imagen de vídeo capturada, en JPEG:  atalaya-cli frame convert frame.bin imagen.jpg"
"$cli" frame convert "$state_dir/frame.bin" "$state_dir/imagen.jpg"
echo "   escrita en $state_dir/imagen.jpg"
cat <<MSG

Para abrir la ventana sin pantalla real, con una pantalla virtual:
  xvfb-run -a $build_dir/atalaya --port <dispositivo del decodificador virtual>
MSG
