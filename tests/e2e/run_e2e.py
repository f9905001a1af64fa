"""End-to-end run of TobureModeler.exe under Wine on the current X display.

Refuses a damaged plug-in and one holding a damaged compressed mesh, opens
the sample plug-in through the real open dialog, makes faces solid with
real clicks, saves through the save-as dialog, closes with Esc, starts again,
opens the work file and checks that the work came back. Every wait has a time
limit and the editor is ended by its process id whatever happens.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import editor_session as es  # noqa: E402

FACES_TO_FILL = 4
SAMPLE_X = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "sample", "sample.x")


def check(condition, what):
    if not condition:
        raise es.SessionError("check failed: " + what)
    print("ok: " + what)


def compressed_cut_short(plain):
    """The text .x bytes in their compressed form (one MSZIP block), cut at two thirds."""
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    body = plain[16:]
    packed = packer.compress(body) + packer.flush()
    whole = (plain[:8] + b"tzip" + plain[12:16] + struct.pack("<IHH", len(plain), len(body), len(packed) + 2) +
             b"CK" + packed)
    return whole[:len(whole) * 2 // 3]


def pack_plugin(session, plugin_exe, folder):
    """Packs folder into folder.pin with the plug-in maker; gives the archive's path."""
    env = dict(session.env, TOBURE_NO_MESSAGE_BOX="1", WINEDEBUG="-all")
    subprocess.run([session.wine, plugin_exe, es.windows_path(folder)], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120, check=True)
    return folder + ".pin"


def run(session, app_dir, work_dir, plugin_exe):
    sample = os.path.join(app_dir, "plugin", "sample.pin")
    new_title = "新規 - " + es.PRODUCT_TITLE

    session.start()
    check(session.driver("title") == es.PRODUCT_TITLE, "the editor starts titled " + es.PRODUCT_TITLE)
    check(session.driver("status") == "", "the status bar starts empty")

    session.driver("command", es.COMMAND_SAVE)
    check("エラー！ファイルが開かれていません。" in session.driver("dialog-text", 20000),
          "saving with nothing open says so in a message box")
    session.driver("dialog-press", es.IDOK, 20000)

    broken = os.path.join(app_dir, "plugin", "broken.pin")
    with open(broken, "wb") as f:
        f.write(b"PK\x03\x04 not a plug-in archive" * 8)
    session.driver("command", es.COMMAND_NEW)
    session.driver("dialog-open", es.windows_path(broken), 20000)
    check("エラー！読み込みに失敗しました。" in session.driver("dialog-text", 20000),
          "a damaged plug-in is refused with a message box")
    session.driver("dialog-press", es.IDOK, 20000)
    check(session.driver("title") == es.PRODUCT_TITLE, "the title stays the product title")

    damaged_folder = os.path.join(work_dir, "damaged")
    os.makedirs(damaged_folder)
    with open(SAMPLE_X, "rb") as f:
        plain = f.read()
    with open(os.path.join(damaged_folder, "damaged.x"), "wb") as f:
        f.write(compressed_cut_short(plain))
    damaged = pack_plugin(session, plugin_exe, damaged_folder)
    check(os.path.isfile(damaged), "the maker packs a compressed mesh cut short")
    session.driver("command", es.COMMAND_NEW)
    session.driver("dialog-open", es.windows_path(damaged), 20000)
    check("エラー！読み込みに失敗しました。" in session.driver("dialog-text", 20000),
          "a plug-in holding a damaged compressed mesh is refused with a message box")
    session.driver("dialog-press", es.IDOK, 20000)
    check(any("プラグインの圧縮されたメッシュが壊れています" in line for line in session.log()),
          "the damaged compressed mesh is logged as refused before the parser saw it")
    check(session.driver("title") == es.PRODUCT_TITLE, "the editor is still there, titled as before")

    opened = session.open_through_dialog(es.COMMAND_NEW, sample, new_title)
    check(session.driver("title") == new_title, "opening the sample plug-in titles the work " + new_title)
    rows = session.driver("list-rows").splitlines()
    check(len(rows) > 0 and all(row.startswith("1 ") for row in rows), "every part is listed with its box checked")
    check(opened.unfilled_regions(), "the current part's unfilled faces are drawn as a wireframe")

    filled, changed = session.fill_faces(opened, FACES_TO_FILL)
    check(len(changed) >= 2, "clicks on the model make faces solid (%d of %d clicks)" % (len(changed), FACES_TO_FILL))
    check(filled.band(0, es.TEXT_BAND) != opened.band(0, es.TEXT_BAND), "the progress line changes")
    check(session.driver("status") == "", "no completion text part-way")

    first = session.save_as(os.path.join(work_dir, "first"))
    check(os.path.isfile(first), "save-as adds .tbs and writes " + os.path.basename(first))
    mesh, parts = es.read_work_file(first)
    solid = sum(p[2] for p in parts)
    print("work file: %s, %s" % (mesh, es.progress_text(parts)))
    check(mesh == es.windows_path(sample), "the work file names the plug-in it came from")
    check(len(parts) == len(rows), "one record per listed part")
    check(solid == len(changed), "the work file holds one solid face per effective click")
    check(parts[0][3] == 1, "part 0 is current")
    check(any("セーブしました。" in line for line in session.log()), "the save is logged")

    session.press_escape()
    check(session.wait_exit() == 0, "Esc closes the editor with exit code 0")

    session.start()
    work_title = es.windows_path(first) + " - " + es.PRODUCT_TITLE
    restored = session.open_through_dialog(es.COMMAND_OPEN, first, work_title)
    check(session.driver("title") == work_title, "opening the work file titles the work with its path")
    check(len(session.driver("list-rows").splitlines()) == len(parts), "the parts are listed again")
    check(restored.band(0, es.TEXT_BAND) == filled.band(0, es.TEXT_BAND),
          "the progress line reads as before the save (%s)" % es.progress_text(parts))
    check(restored.rows == filled.rows, "the view shows the same solid faces as before the save")

    second = session.save_as(os.path.join(work_dir, "second.tbs"))
    _, parts_again = es.read_work_file(second)
    check(parts_again == parts, "saving the restored work writes the same progress")

    session.driver("close", 20000)
    check(session.wait_exit() == 0, "closing the window ends the editor with exit code 0")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--editor", required=True, help="the built TobureModeler.exe")
    parser.add_argument("--driver", required=True, help="the built driver.exe")
    parser.add_argument("--plugin", required=True, help="the built plugin.exe (the plug-in maker)")
    parser.add_argument("--wine-run", help="cmake/wine-run.sh, which makes the prefix on first use")
    args = parser.parse_args()

    root = tempfile.mkdtemp(prefix="tobure-e2e-")
    app_dir, work_dir = os.path.join(root, "app"), os.path.join(root, "work")
    os.makedirs(app_dir)
    os.makedirs(work_dir)
    es.copy_editor(os.path.dirname(os.path.abspath(args.editor)), app_dir)
    session = es.Session(app_dir, args.driver, work_dir, wine_run=args.wine_run)
    try:
        session.prepare_prefix()
        run(session, app_dir, work_dir, args.plugin)
    except Exception as error:  # every failure ends the same way: report, kill, keep the files
        print("FAILED: %s" % error, file=sys.stderr)
        print("editor log of run %d:" % session.runs, file=sys.stderr)
        for line in session.log():
            print("  " + line, file=sys.stderr)
        print("files kept in " + root, file=sys.stderr)
        session.kill()
        return 1
    session.kill()
    shutil.rmtree(root, ignore_errors=True)
    print("end-to-end run passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
