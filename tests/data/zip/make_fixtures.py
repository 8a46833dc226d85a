#!/usr/bin/env python3
"""Makes the archive fixtures of the zip tests with standard tools: the zip
and gzip programs and Python's zipfile. Run it from anywhere; it rewrites the
files beside it and the seed corpora of the fuzz targets. Contents are
deterministic (the tests know them); archive bytes carry the fixed time
2021-06-15 10:20:30.

    tests/data/zip/make_fixtures.py
"""
import io
import os
import shutil
import struct
import subprocess
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
STAMP = time.mktime((2021, 6, 15, 10, 20, 30, 0, 0, -1))
DATE_TIME = (2021, 6, 15, 10, 20, 30)


def lines_text():
    return "".join("line %d\n" % i for i in range(2000)).encode()


def noise(n, seed=1):
    out = bytearray()
    x = seed
    for _ in range(n):
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((x >> 16) & 0xFF)
    return bytes(out)


# The tree of mixed.zip: name -> bytes (None: a directory).
MIXED = {
    "readme.txt": b"hello, archive\n",
    "dir/sub/lines.txt": lines_text(),
    "dir/empty/": None,
    "bin/noise.bin": noise(4096),
}


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def make_tree(root, files):
    for name, data in files.items():
        path = os.path.join(root, name)
        if data is None:
            os.makedirs(path, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
    for dirpath, dirnames, filenames in os.walk(root, topdown=False):
        for n in filenames + dirnames:
            os.utime(os.path.join(dirpath, n), (STAMP, STAMP))


def zip_tool(files, *options):
    """An archive made by the zip program at its default level."""
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "src")
        make_tree(src, files)
        out = os.path.join(tmp, "out.zip")
        names = sorted(files)
        subprocess.run(["zip", "-q", "-X", *options, out, *names], cwd=src, check=True)
        with open(out, "rb") as f:
            return f.read()


def stub(with_signature):
    """A small executable-looking prefix; with_signature puts the local
    header signature inside it, as a stub with archive code in it has."""
    body = bytearray(b"MZ" + b"\0" * 510)
    if with_signature:
        body[200:204] = b"PK\x03\x04"
    return bytes(body)


def zipfile_bytes(entries, comment=b"", stream=False):
    """entries: (name, data, method). stream=True writes to an unseekable
    stream, which makes zipfile use data descriptors."""
    buf = io.BytesIO()

    class Unseekable(io.RawIOBase):
        def writable(self):
            return True

        def write(self, b):
            return buf.write(b)

    target = Unseekable() if stream else buf
    with zipfile.ZipFile(target, "w") as z:
        for name, data, method in entries:
            info = zipfile.ZipInfo(name, DATE_TIME)
            info.compress_type = method
            if stream:
                with z.open(info, "w") as w:
                    w.write(data)
            else:
                z.writestr(info, data)
        z.comment = comment
    return buf.getvalue()


def gzip_tool(data, *options):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "text.txt")
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (STAMP, STAMP))
        return subprocess.run(["gzip", "-c", *options, path], check=True, capture_output=True).stdout


def main():
    mixed = zip_tool(MIXED, "-r")
    write("mixed.zip", mixed)
    # Self-extracting forms: a stub before the archive, offsets as the
    # archive had them; the same with the signature inside the stub; and one
    # whose offsets zip -A made relative to the file's start.
    write("sfx-plain.exe", stub(False) + mixed)
    write("sfx-signature.exe", stub(True) + mixed)
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "sfx.exe")
        with open(path, "wb") as f:
            f.write(stub(True) + mixed)
        subprocess.run(["zip", "-q", "-A", path], check=True)
        with open(path, "rb") as f:
            write("sfx-adjusted.exe", f.read())

    text = lines_text()
    write("descriptor.zip", zipfile_bytes(
        [("first.txt", text, zipfile.ZIP_DEFLATED), ("second.bin", noise(3000, 7), zipfile.ZIP_STORED)], stream=True))
    write("utf8.zip", zipfile_bytes(
        [("中文目录/子目录/文件.txt", "你好，世界\n".encode("utf-8"), zipfile.ZIP_DEFLATED)]))
    write("bzip2.zip", zipfile_bytes(
        [("plain.txt", b"plain\n", zipfile.ZIP_STORED), ("big.txt", text, zipfile.ZIP_BZIP2)]))
    write("comment127.zip", zipfile_bytes([("a.txt", b"a\n", zipfile.ZIP_STORED)], comment=b"c" * 127))
    write("comment200.zip", zipfile_bytes([("a.txt", b"a\n", zipfile.ZIP_STORED)], comment=b"c" * 200))

    write("text.gz", gzip_tool(text))
    write("text-noname.gz", gzip_tool(text, "-n"))

    # Seeds of the fuzz targets: the fixtures, and broken forms of them.
    for target, names in (("zip", ["mixed.zip", "descriptor.zip", "utf8.zip", "bzip2.zip", "sfx-signature.exe"]),
                          ("gzip", ["text.gz", "text-noname.gz"])):
        corpus = os.path.join(ROOT, "fuzz", "corpus", target)
        shutil.rmtree(corpus, ignore_errors=True)
        os.makedirs(corpus)
        for name in names:
            with open(os.path.join(HERE, name), "rb") as f:
                data = f.read()
            base = os.path.splitext(name)[0]
            with open(os.path.join(corpus, base), "wb") as f:
                f.write(data)
            with open(os.path.join(corpus, base + "-truncated"), "wb") as f:
                f.write(data[: len(data) * 2 // 3])
            flipped = bytearray(data)
            flipped[len(data) // 2] ^= 0x5A
            with open(os.path.join(corpus, base + "-flipped"), "wb") as f:
                f.write(bytes(flipped))


if __name__ == "__main__":
    main()
