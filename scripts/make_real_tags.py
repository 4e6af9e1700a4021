# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the folder of real tagged files (see make-real-tags)."""
import os
import struct
import subprocess
import sys
import tempfile

from mutagen.aiff import AIFF
from mutagen.flac import FLAC, Picture
from mutagen.id3 import (COMM, ID3, TALB, TCON, TDRC, TIT2, TPE1, TRCK, TYER, USLT, Encoding)
from mutagen.mp4 import MP4

LATIN1, UTF16, UTF8 = Encoding.LATIN1, Encoding.UTF16, Encoding.UTF8


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def raw(text, codec):
    """Text whose Latin-1 form is the bytes of text in codec: how a tagger that writes UTF-8
    or Shift_JIS into a frame flagged as Latin-1 leaves it."""
    return text.encode(codec).decode("latin-1")


def itunes_comments():
    return [COMM(encoding=LATIN1, lang="eng", desc="iTunNORM", text=" 00000237 0000022D 00001D8E 00001B5C"),
            COMM(encoding=LATIN1, lang="eng", desc="iTunSMPB", text=" 00000000 00000210 00000A64 0000000000020F1C"),
            COMM(encoding=LATIN1, lang="eng", desc="iTunes_CDDB_IDs", text="11+A7B4F4E4B2E2A1D2C2A3C1+123456"),
            COMM(encoding=LATIN1, lang="eng", desc="iTunPGAP", text="1")]


def add_genre_code(path, code):
    """Appends a "gnre" item (an ID3v1 genre number plus one, as iTunes wrote genres) to the
    file's ilst; mutagen writes genres as text only. The movie box must follow the media
    data, as ffmpeg leaves it, so that no chunk offset moves."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    item = struct.pack(">I4s", 8 + 16 + 2, b"gnre") + struct.pack(">I4sII", 16 + 2, b"data", 0, 0) + struct.pack(">H", code)
    path_sizes = []
    start, end, names = 0, len(data), [b"moov", b"udta", b"meta", b"ilst"]
    seen_mdat = False
    for name in names:
        pos = start
        while pos + 8 <= end:
            size, kind = struct.unpack(">I4s", data[pos:pos + 8])
            seen_mdat = seen_mdat or kind == b"mdat"
            if kind == name:
                break
            pos += size
        else:
            raise SystemExit("make-real-tags: no %s box" % name.decode())
        if name == b"moov" and not seen_mdat:
            raise SystemExit("make-real-tags: the movie box comes before the media data")
        path_sizes.append(pos)
        start, end = pos + 8 + (4 if name == b"meta" else 0), pos + size
    insert_at = end
    data[insert_at:insert_at] = item
    for pos in path_sizes:
        size = struct.unpack(">I", data[pos:pos + 4])[0]
        data[pos:pos + 4] = struct.pack(">I", size + len(item))
    with open(path, "wb") as f:
        f.write(data)


def tag_id3(path, frames, v1=0):
    tags = ID3()
    for frame in frames:
        tags.add(frame)
    tags.save(path, v2_version=3, v1=v1)


def main(out):
    work = tempfile.mkdtemp()
    wav = os.path.join(work, "tone.wav")
    run("ffmpeg", "-f", "lavfi", "-i", "sine=f=440:d=3:r=44100", "-ac", "2", wav)
    mp3 = os.path.join(work, "tone.mp3")
    run("lame", "--quiet", "-b", "128", wav, mp3)
    cover = os.path.join(work, "cover.png")
    run("ffmpeg", "-f", "lavfi", "-i", "color=c=red:s=300x300", "-frames:v", "1", cover)

    def mp3_copy(name):
        path = os.path.join(out, name)
        with open(mp3, "rb") as src, open(path, "wb") as dst:
            dst.write(src.read())
        return path

    # iTunes: UTF-16 texts, its own comment frames around the comment, a genre number.
    tag_id3(mp3_copy("01 iTunes - comment Real comment, genre Pop.mp3"),
            [TIT2(encoding=UTF16, text="iTunes song"), TPE1(encoding=UTF16, text="iTunes artist"),
             TALB(encoding=UTF16, text="iTunes album"), TRCK(encoding=LATIN1, text="1/12"),
             TYER(encoding=LATIN1, text="2008"), TCON(encoding=LATIN1, text="(13)")]
            + itunes_comments()[:2] + [COMM(encoding=UTF16, lang="eng", desc="", text="Real comment")]
            + itunes_comments()[2:])
    # Only iTunes values: no comment at all.
    tag_id3(mp3_copy("02 iTunes values only - comment empty, genre Rock & Roll.mp3"),
            [TIT2(encoding=LATIN1, text="No comment"), TCON(encoding=LATIN1, text="(17)Rock & Roll")]
            + itunes_comments())
    # Real Latin-1, also in an ID3v1 tag.
    tag_id3(mp3_copy("03 Latin-1 - Caf_, Beyonc_, F_r Elise.mp3"),
            [TIT2(encoding=LATIN1, text="Café"), TPE1(encoding=LATIN1, text="Beyoncé"),
             TALB(encoding=LATIN1, text="Für Elise"), TCON(encoding=LATIN1, text="Classical"),
             COMM(encoding=LATIN1, lang="eng", desc="", text=raw("“Smart quotes” — 6÷3", "cp1252"))], v1=2)
    # UTF-8 bytes in frames flagged as Latin-1.
    tag_id3(mp3_copy("04 UTF-8 in Latin-1 frames - 日本語の歌.mp3"),
            [TIT2(encoding=LATIN1, text=raw("日本語の歌", "utf-8")), TPE1(encoding=LATIN1, text=raw("山田花子", "utf-8")),
             TALB(encoding=LATIN1, text=raw("春夏秋冬", "utf-8")), TCON(encoding=LATIN1, text="28")])
    # Shift_JIS bytes in frames flagged as Latin-1, as Japanese taggers write them.
    tag_id3(mp3_copy("05 Shift_JIS in Latin-1 frames - 夏祭り.mp3"),
            [TIT2(encoding=LATIN1, text=raw("夏祭り", "cp932")), TPE1(encoding=LATIN1, text=raw("東京バンド", "cp932")),
             TALB(encoding=LATIN1, text=raw("ﾃｽﾄ盤", "cp932")),
             USLT(encoding=LATIN1, lang="jpn", desc="", text=raw("遠くで太鼓が\r\n鳴っている", "cp932"))])
    # A new tag put in front of an old one.
    stacked = mp3_copy("06 two ID3v2 tags - title New tag, duration 3s.mp3")
    tag_id3(stacked, [TIT2(encoding=LATIN1, text="Old tag"), TPE1(encoding=LATIN1, text="Old artist")])
    front = os.path.join(work, "front.mp3")
    with open(front, "wb") as f:
        f.write(b"\xff" * 16)
    tag_id3(front, [TIT2(encoding=LATIN1, text="New tag"), TCON(encoding=LATIN1, text="(RX)")])
    with open(front, "rb") as f:
        new_tag = f.read()
    new_tag = new_tag[:len(new_tag) - 16]
    with open(stacked, "rb") as f:
        old = f.read()
    with open(stacked, "wb") as f:
        f.write(new_tag + old)

    # FLAC with Vorbis comments and a picture block.
    flac = os.path.join(out, "07 FLAC - FLAC title, track 7.flac")
    run("flac", "-s", "-o", flac, wav)
    run("metaflac", "--set-tag=TITLE=FLAC title", "--set-tag=ARTIST=FLAC artist", "--set-tag=ALBUM=FLAC album",
        "--set-tag=TRACKNUMBER=7/10", "--set-tag=DATE=2010", "--set-tag=GENRE=Ambient",
        "--set-tag=COMMENT=フラックのコメント", "--import-picture-from=" + cover, flac)
    # FLAC behind an ID3v2 tag.
    flac_id3 = os.path.join(out, "08 FLAC behind ID3v2 - Vorbis title, year 1999.flac")
    with open(flac, "rb") as f:
        stream = f.read()
    tagged = os.path.join(work, "id3only.bin")
    with open(tagged, "wb") as f:
        f.write(b"\xff" * 16)
    tag_id3(tagged, [TIT2(encoding=LATIN1, text="ID3 title"), TYER(encoding=LATIN1, text="1999")])
    with open(tagged, "rb") as f:
        id3 = f.read()[:-16]
    with open(flac_id3, "wb") as f:
        f.write(id3 + stream)
    meta = FLAC(flac_id3)
    meta["TITLE"] = "Vorbis title"
    meta.save()

    # Ogg Vorbis.
    run("oggenc", "-Q", "-t", "Ogg title", "-a", "Ogg artist", "-l", "Ogg album", "-N", "3", "-d", "2011",
        "-G", "Folk", "-c", "COMMENT=Ogg comment", "-o", os.path.join(out, "09 Ogg Vorbis - Ogg title.ogg"), wav)

    # M4A with a genre code (17 = Rock, stored plus one) and a broken title item left out.
    m4a = os.path.join(out, "10 M4A - genre Rock.m4a")
    run("ffmpeg", "-i", wav, "-c:a", "aac", "-b:a", "96k", m4a)
    tags = MP4(m4a)
    tags["\xa9nam"] = ["M4A title"]
    tags["\xa9ART"] = ["M4A artist"]
    tags["\xa9alb"] = ["M4A album"]
    tags["\xa9day"] = ["2012"]
    tags["trkn"] = [(5, 9)]
    tags["\xa9lyr"] = ["M4A lyrics"]
    tags.save()
    add_genre_code(m4a, 18)

    # AIFF as iTunes rips it: an "ID3 " chunk; Latin-1 artist, UTF-8 comment, iTunes values.
    aiff = os.path.join(out, "11 AIFF - AIFF title, Beyonc_, genre Ambient, 3s.aiff")
    run("ffmpeg", "-f", "lavfi", "-i", "anullsrc=r=44100:cl=stereo", "-t", "3", "-write_id3v2", "1", aiff)
    tags = AIFF(aiff)
    if tags.tags is None:
        tags.add_tags()
    for frame in [TIT2(encoding=UTF16, text="AIFF title"), TPE1(encoding=LATIN1, text="Beyoncé"),
                  TALB(encoding=UTF8, text="AIFF アルバム"), TRCK(encoding=LATIN1, text="2"),
                  TYER(encoding=LATIN1, text="2013"), TCON(encoding=LATIN1, text="(26)"),
                  COMM(encoding=UTF8, lang="eng", desc="", text="AIFF comment"),
                  USLT(encoding=UTF16, lang="eng", desc="", text="AIFF lyrics")] + itunes_comments():
        tags.tags.add(frame)
    tags.save(v2_version=3)
    # AIFF-C with text chunks only (ffmpeg writes NAME, AUTH, ANNO from the metadata).
    run("ffmpeg", "-f", "lavfi", "-i", "anullsrc=r=22050:cl=mono", "-t", "2", "-c:a", "pcm_s16le",
        "-metadata", "title=AIFC title", "-metadata", "author=AIFC author", "-metadata", "comment=AIFC note",
        os.path.join(out, "12 AIFF-C sowt - AIFC title, 2s.aifc"))
    # AIFF named as something else: found by content, not taken for Musepack.
    with open(aiff, "rb") as src, open(os.path.join(out, "13 AIFF without its extension - AIFF title.mpc"), "wb") as dst:
        dst.write(src.read())


if __name__ == "__main__":
    main(sys.argv[1])
