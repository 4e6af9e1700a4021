# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the demo player: folders, the marker file and the tagged songs (see make-demo)."""
import math
import os
import random
import struct
import subprocess
import sys
import tempfile
import wave

from mutagen.id3 import COMM, ID3, TALB, TIT2, TPE1, TRCK, TYER, USLT

ALBUMS = [
    ("春夏秋冬", "山田花子", "2004", [
        ("はじまりの朝", "窓をあけたら\n春の風が\nまだ眠そうな\n街をなでてく\n\nはじまりの朝\nきみの声がする"),
        ("桜並木", "桜並木を\nふたりで歩いた\n散る花びらを\n数えながら"),
        ("夏祭り", "遠くで太鼓が\n鳴っている\n浴衣の袖を\nひるがえして"),
        ("夕立", None),
        ("秋の手紙", "書きかけの手紙\n机の上\n落ち葉がひとつ\n挟まっていた"),
        ("月見坂", None),
        ("初雪", "白い息が\n空にとけて\n初雪がふる\nこの街に"),
        ("こたつの歌", None),
        ("冬の星座", None),
    ]),
    ("東京物語", "東京バンド", "2009", [
        ("山手線", "ぐるりと回る\n緑の電車\n降りる駅は\nまだ決めてない"),
        ("渋谷交差点", None),
        ("下町ラプソディ", None),
        ("東京タワー", "赤い灯りが\n夜を照らす\nぼくらの街の\n真ん中で"),
        ("終電", None),
        ("隅田川", None),
        ("ネオンの海", None),
        ("さよなら東京", "さよなら東京\nまた会う日まで"),
    ]),
    ("Northern Lights", "The Lanterns", "2012", [
        ("Aurora", "Green fire dancing\nover the frozen bay\nwe watched the sky\nuntil the break of day"),
        ("Long Road Home", None),
        ("Paper Boats", "We folded paper boats\nand let them go\ndown the river\nwhere the willows grow"),
        ("Midnight Train", None),
        ("Snowfall", None),
        ("Lighthouse", None),
        ("Northern Lights", None),
        ("Quiet Harbour", None),
    ]),
    ("海辺の街", "Mika & The Waves", "2016", [
        ("Seaside Drive", "窓をあけて\nSeaside drive\n潮風のにおい"),
        ("Yes/No", "Yes or no\nどっちなの\nはっきりしてよ"),
        ("灯台", None),
        ("Blue Hour", None),
        ("貝殻のうた", None),
        ("Sunset Avenue", None),
        ("さざなみ", "さざなみが\n足もとを\nさらってゆく"),
    ]),
    ("Piano Sketches", "Ayumi Sato", "2020", [
        ("Prelude", None),
        ("雨の日のワルツ", None),
        ("Morning Etude", None),
        ("Lullaby", "Close your eyes\nthe stars are near\nI'll be right here"),
        ("Nocturne", None),
        ("Postlude", None),
    ]),
]


def tone_wav(path, seconds, pitch):
    rate = 22050
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        frames = bytearray()
        for i in range(int(rate * seconds)):
            fade = min(1.0, i / 2000, (rate * seconds - i) / 2000)
            frames += struct.pack("<h", int(6000 * fade * math.sin(2 * math.pi * pitch * i / rate)))
        out.writeframes(bytes(frames))


def encoding_for(*texts):
    """Latin-1 frames for plain ASCII, UTF-16 for everything else (as iTunes writes them)."""
    return 0 if all(t.isascii() for t in texts) else 1


def write_song(path, album, artist, year, track, total, title, lyrics, work):
    wav = os.path.join(work, "tone.wav")
    tone_wav(wav, 2 + track % 4, 220 * 2 ** ((track * 2) / 12))
    subprocess.run(["lame", "--quiet", "-m", "m", "-b", "64", wav, path], check=True)
    tags = ID3()
    tags.add(TIT2(encoding=encoding_for(title), text=title))
    tags.add(TALB(encoding=encoding_for(album), text=album))
    tags.add(TPE1(encoding=encoding_for(artist), text=artist))
    tags.add(TRCK(encoding=0, text=f"{track}/{total}"))
    tags.add(TYER(encoding=0, text=year))
    tags.add(COMM(encoding=0, lang="eng", desc="", text="Lyrimate demo"))
    if lyrics:
        tags.add(USLT(encoding=encoding_for(lyrics), lang="jpn", desc="", text=lyrics.replace("\n", "\r\n")))
    tags.save(path, v2_version=3)


def main():
    root = sys.argv[1]
    device = os.path.join(root, "iPod_Control", "Device")
    os.makedirs(device, exist_ok=True)
    with open(os.path.join(device, "SysInfo"), "w") as marker:
        marker.write("BoardHwName: iPod Demo\nModelNumStr: Lyrimate demo player\n")
    random.seed(4)
    count = 0
    used = set()
    with tempfile.TemporaryDirectory() as work:
        for album, artist, year, songs in ALBUMS:
            for track, (title, lyrics) in enumerate(songs, start=1):
                # The player's own layout: Fnn folders of files with short random names.
                folder = os.path.join(root, "iPod_Control", "Music", f"F{random.randrange(5):02d}")
                os.makedirs(folder, exist_ok=True)
                name = ""
                while not name or name in used:
                    name = "".join(random.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(4)) + ".mp3"
                used.add(name)
                write_song(os.path.join(folder, name), album, artist, year, track, len(songs), title, lyrics, work)
                count += 1
    print(f"demo player: {count} songs under {root}")


main()
