"""A pointer and a keyboard for the Wayland tests, made on a wlroots compositor (sway) with
its virtual-input protocols (zwlr_virtual_pointer_manager_v1, zwp_virtual_keyboard_
manager_v1), spoken over the Wayland wire protocol directly: no Debian package drives a
pointer on a headless wlroots compositor.

Make them before the program starts and keep them: a client binds the seat's pointer and
keyboard when the seat has them, and input sent through a device made a moment before
(as a command-line tool does for each call) reaches the client before it has bound it,
and is lost."""

import array
import os
import socket
import struct
import tempfile
import time

# The keyboard's keymap: the usual PC keyboard with evdev key codes, US layout.
KEYMAP = (b'xkb_keymap {\n xkb_keycodes { include "evdev+aliases(qwerty)" };\n'
          b' xkb_types { include "complete" };\n xkb_compat { include "complete" };\n'
          b' xkb_symbols { include "pc+us+inet(evdev)" };\n};\n\0')
# evdev codes of the keys the tests press.
KEYS = {"Escape": 1, "a": 30, "Return": 28}
BUTTON_LEFT = 0x110


class VirtualInput:
    def __init__(self, socket_path, width, height):
        self.width, self.height = width, height
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(30)
        self.sock.connect(socket_path)
        self.last_id = 1  # the display
        self.buffer = b""
        self.globals = {}
        self.registry = self._new_id()
        self._send(1, 1, struct.pack("<I", self.registry))  # wl_display.get_registry
        self.roundtrip()
        for interface in ("zwlr_virtual_pointer_manager_v1", "zwp_virtual_keyboard_manager_v1", "wl_seat"):
            if interface not in self.globals:
                raise RuntimeError(f"the compositor has no {interface}")
        seat = self._bind("wl_seat")
        pointers = self._bind("zwlr_virtual_pointer_manager_v1")
        keyboards = self._bind("zwp_virtual_keyboard_manager_v1")
        self.pointer = self._new_id()
        self._send(pointers, 0, struct.pack("<II", seat, self.pointer))  # create_virtual_pointer
        self.keyboard = self._new_id()
        self._send(keyboards, 0, struct.pack("<II", seat, self.keyboard))  # create_virtual_keyboard
        with tempfile.TemporaryFile() as keymap:
            keymap.write(KEYMAP)
            keymap.flush()
            # keymap(format xkb_v1, fd, size): the descriptor travels beside the message.
            self._send(self.keyboard, 0, struct.pack("<II", 1, len(KEYMAP)), fd=keymap.fileno())
            self.roundtrip()

    def close(self):
        self.sock.close()

    # ---- input ------------------------------------------------------------------------

    def move(self, x, y):
        """Puts the pointer at a point of the screen (the output at 0,0)."""
        self._send(self.pointer, 1, struct.pack("<IIIII", self._time(), x, y, self.width, self.height))
        self._send(self.pointer, 4, b"")  # frame
        self.roundtrip()

    def click(self, x, y):
        # Two moves, so that the window under the pointer sees it arrive there.
        self.move(x + 3, y + 3)
        self.move(x, y)
        for state in (1, 0):
            self._send(self.pointer, 2, struct.pack("<III", self._time(), BUTTON_LEFT, state))
            self._send(self.pointer, 4, b"")
        self.roundtrip()

    def key(self, name):
        for state in (1, 0):
            self._send(self.keyboard, 1, struct.pack("<III", self._time(), KEYS[name], state))
        self.roundtrip()

    # ---- the wire -----------------------------------------------------------------------

    @staticmethod
    def _time():
        return int(time.monotonic() * 1000) & 0xFFFFFFFF

    def _new_id(self):
        self.last_id += 1
        return self.last_id

    def _send(self, obj, opcode, payload, fd=None):
        message = struct.pack("<II", obj, ((8 + len(payload)) << 16) | opcode) + payload
        if fd is None:
            self.sock.sendall(message)
        else:
            self.sock.sendmsg([message], [(socket.SOL_SOCKET, socket.SCM_RIGHTS, array.array("i", [fd]))])

    def _bind(self, interface):
        name, _ = self.globals[interface]
        obj = self._new_id()
        text = interface.encode() + b"\0"
        payload = (struct.pack("<II", name, len(text)) + text + b"\0" * (-len(text) % 4)
                   + struct.pack("<II", 1, obj))  # version 1, the new object
        self._send(self.registry, 0, payload)
        return obj

    def roundtrip(self):
        """Returns once the compositor has handled everything sent so far."""
        callback = self._new_id()
        self._send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        while True:
            obj, opcode, body = self._read()
            if obj == 1 and opcode == 0:  # wl_display.error
                raise RuntimeError("the compositor reports a protocol error: " + body[12:].decode(errors="replace"))
            if obj == self.registry and opcode == 0:  # wl_registry.global
                name, length = struct.unpack_from("<II", body)
                interface = body[8:8 + length - 1].decode()
                version, = struct.unpack_from("<I", body, 8 + length + (-length % 4))
                self.globals[interface] = (name, version)
            if obj == callback and opcode == 0:
                return

    def _read(self):
        while len(self.buffer) < 8 or len(self.buffer) < struct.unpack_from("<I", self.buffer, 4)[0] >> 16:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise ConnectionError("the compositor closed the connection")
            self.buffer += chunk
        obj, word = struct.unpack_from("<II", self.buffer)
        size = word >> 16
        body, self.buffer = self.buffer[8:size], self.buffer[size:]
        return obj, word & 0xFFFF, body


def socket_of(runtime):
    """The compositor's Wayland socket in a runtime folder, or None."""
    for name in sorted(os.listdir(runtime)):
        if name.startswith("wayland-") and not name.endswith(".lock"):
            return os.path.join(runtime, name)
    return None
