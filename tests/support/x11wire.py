"""The few X11 requests the desktop tests need that no command-line tool makes, spoken
over the X protocol directly (a local connection to the private Xvfb, which asks for no
authorisation)."""

import socket
import struct

GRAB_SUCCESS, ALREADY_GRABBED = 0, 1
GRAB_KEYBOARD, UNGRAB_KEYBOARD = 31, 32


class Connection:
    def __init__(self, display):
        number = display.lstrip(":").split(".")[0]
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(30)
        self.sock.connect(f"/tmp/.X11-unix/X{number}")
        # Little-endian, protocol 11.0, no authorisation.
        self.sock.sendall(struct.pack("<BxHHHHxx", ord("l"), 11, 0, 0, 0))
        status, _, _, length = struct.unpack("<BxHHH", self._read(8))
        setup = self._read(length * 4)
        if status != 1:
            raise ConnectionError("the X server refused the connection: " + setup.decode(errors="replace"))
        vendor_length, = struct.unpack_from("<H", setup, 16)
        formats = setup[21]
        screen = 32 + vendor_length + (-vendor_length % 4) + 8 * formats
        self.root, = struct.unpack_from("<I", setup, screen)

    def close(self):
        self.sock.close()

    def _read(self, size):
        data = b""
        while len(data) < size:
            chunk = self.sock.recv(size - len(data))
            if not chunk:
                raise ConnectionError("the X server closed the connection")
            data += chunk
        return data

    def _reply(self):
        """The next reply (events are skipped; an error raises)."""
        while True:
            packet = self._read(32)
            if packet[0] == 0:
                raise RuntimeError(f"X error {packet[1]}")
            if packet[0] == 1:
                extra, = struct.unpack_from("<I", packet, 4)
                return packet + self._read(extra * 4)

    def keyboard_grabbed(self):
        try:
            # GrabKeyboard on the root window, asynchronous pointer and keyboard.
            self.sock.sendall(struct.pack("<BBHIIBBxx", GRAB_KEYBOARD, 0, 4, self.root, 0, 1, 1))
            status = self._reply()[1]
            if status == GRAB_SUCCESS:
                self.sock.sendall(struct.pack("<BxHI", UNGRAB_KEYBOARD, 2, 0))
            return status == ALREADY_GRABBED
        finally:
            self.close()
