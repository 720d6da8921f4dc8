// Hostile files in and around the data folder: links and special files where
// the system's own files belong, link loops, killed writers' temporaries, an
// unusable tree.db, NUL bytes in page text, and descriptors that would leak
// into the programs the system starts.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "hostile_fixture.h"

namespace ks::test {
namespace {

using HostileFiles = HostileTest;

TEST_F(HostileFiles, WritesReplaceLinksInsteadOfFollowingThem) {
  ScriptedServer s;
  s.on("/p", ScriptedResponse::whole(html_answer("<p>text</p>")));
  add(url(s, "/p"), "p");
  const std::string outside1 = home() + "/victim1";
  const std::string outside2 = home() + "/victim2";
  ASSERT_TRUE(write_file_atomic(outside1, "keep"));
  ASSERT_TRUE(write_file_atomic(outside2, "keep"));
  ASSERT_EQ(::symlink(outside1.c_str(), item_file("p", "htmltmp.txt").c_str()), 0);
  ASSERT_EQ(::symlink(outside2.c_str(), item_file("p", "new.txt").c_str()), 0);
  EXPECT_EQ(cli({"check"}).status, 0);
  EXPECT_EQ(read_file(outside1), "keep");
  EXPECT_EQ(read_file(outside2), "keep");
  EXPECT_NE(item_text("p", "log1.txt").find("text"), std::string::npos);  // still checked
}

TEST_F(HostileFiles, LinkLoopsAndSpecialFilesHangNoCommand) {
  ASSERT_EQ(cli({"options", "AUTO_TREE_SORT=1"}).status, 0);  // every start scans the folders
  ASSERT_EQ(::symlink(".", (data() + "/a.grp").c_str()), 0);
  ASSERT_EQ(::symlink(".", (data() + "/b.grp").c_str()), 0);
  add("http://127.0.0.1:9/", "fifo");
  ASSERT_TRUE(remove_file(item_file("fifo", "site.db")));
  ASSERT_EQ(::mkfifo(item_file("fifo", "site.db").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(item_file("fifo", "result.db").c_str(), 0600), 0);
  const CliEnv bounded{{}, 30000};
  const CliRun list = cli({"list"}, bounded);
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("fifo  [item]"), std::string::npos) << list.out;
  EXPECT_EQ(cli({"get", "fifo", "URL"}, bounded).status, 0);
  EXPECT_EQ(cli({"check"}, bounded).status, 3);                // the FIFO item ends in an error
  EXPECT_EQ(cli({"find", "--name", "x"}, bounded).status, 1);  // nothing found, but an answer
  EXPECT_EQ(cli({"export", home() + "/b.html"}, bounded).status, 0);
  EXPECT_EQ(cli({"repair", "--yes"}, bounded).status, 0);
}

TEST_F(HostileFiles, ImportLinksFollowsNoLinkedFolder) {
  TempDir links;
  ASSERT_TRUE(write_file_atomic(links.file("a.url"), "[InternetShortcut]\r\nURL=http://a/\r\n"));
  ASSERT_TRUE(make_dirs(links.file("sub")));
  ASSERT_TRUE(
      write_file_atomic(links.file("sub/b.url"), "[InternetShortcut]\r\nURL=http://b/\r\n"));
  // Two links to the folder itself: followed, they would make 2^64 groups.
  ASSERT_EQ(::symlink(".", links.file("loop1").c_str()), 0);
  ASSERT_EQ(::symlink(".", links.file("loop2").c_str()), 0);
  ASSERT_EQ(::symlink(links.file("a.url").c_str(), links.file("c.url").c_str()), 0);
  const CliRun r = cli({"import-links", links.path()}, {{}, 60000});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("(2"), std::string::npos) << r.out;  // a and b
}

TEST_F(HostileFiles, TemporariesOfKilledWritersGoWhenTheItemIsNextFinished) {
  ScriptedServer s;
  s.on("/p", ScriptedResponse::whole(html_answer("<p>text</p>")));
  add(url(s, "/p"), "p");
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ASSERT_GT(dead, 0);
  ::waitpid(dead, nullptr, 0);
  const std::string stale = item_file("p", "result.db.tmp" + std::to_string(dead) + ".3");
  const std::string live = item_file("p", "site.db.tmp" + std::to_string(::getpid()) + ".1");
  ASSERT_TRUE(write_file_atomic(stale, "[RESULT]\r\n"));
  ASSERT_TRUE(write_file_atomic(live, "x"));
  EXPECT_EQ(cli({"check"}).status, 0);
  EXPECT_FALSE(path_exists(stale));
  EXPECT_TRUE(path_exists(live));  // its writer still runs
}

TEST_F(HostileFiles, UnusableTreeDbIsRebuiltFromTheFoldersAndSaidSo) {
  ASSERT_EQ(cli({"options", "AUTO_TREE_SORT=0"}).status, 0);
  add("http://127.0.0.1:9/", "a");
  ASSERT_TRUE(write_file_atomic(data() + "/tree.db", ""));  // emptied by another program
  const CliRun list = cli({"list"});                        // reads only: tells, writes nothing
  EXPECT_NE(list.out.find("  a  [item]"), std::string::npos) << list.out;
  EXPECT_NE(list.err.find("tree.db"), std::string::npos) << list.err;
  const CliRun check = cli({"check"});  // owns the data folder: mends tree.db
  EXPECT_NE(check.err.find("tree.db"), std::string::npos) << check.err;
  EXPECT_NE(item_text("a", "result.db").find("CODE=4"), std::string::npos);  // it was checked
  EXPECT_NE(read_file(data() + "/tree.db").value_or("").find("a.dat"), std::string::npos);
  EXPECT_EQ(cli({"list"}).err, "");  // said until mended
}

TEST_F(HostileFiles, TextAfterANulByteIsShownAndCompared) {
  ScriptedServer s;
  s.on("/p", ScriptedResponse::whole(html_answer("<p>one</p>")));
  add(url(s, "/p"), "p");
  ASSERT_EQ(cli({"check"}).status, 0);
  s.on("/p", ScriptedResponse::whole(
                 html_answer("<p>one</p><p>before" + std::string(1, '\0') + "after</p>")));
  ASSERT_EQ(cli({"check"}).status, 0);
  const CliRun shown = cli({"show", "p"});
  EXPECT_NE(shown.out.find("before?after"), std::string::npos) << shown.out;
}

// A browser driver a check starts sees no descriptor of the program: no
// file of the data folder, no socket, no temporary file.
TEST_F(HostileFiles, CheckStartsDriversWithoutDescriptorsOfItsOwn) {
  TempDir tools;
  const std::string listing = tools.file("fds.txt");
  const std::string driver = tools.file("driver.sh");
  ASSERT_TRUE(write_file_atomic(driver,
                                "#!/bin/sh\nfor f in /proc/$$/fd/*; do readlink \"$f\"; "
                                "done > " +
                                    listing + ".tmp\nmv " + listing + ".tmp " + listing + "\n"));
  ASSERT_EQ(::chmod(driver.c_str(), 0755), 0);
  ASSERT_TRUE(write_file_atomic(home() + "/webdriver.ini",
                                "[WebDriver]\r\nDRIVER=" + driver + "\r\nPORT_BASE=47310\r\n"));
  // The driver starts (half a second after the first transfer, by the
  // transfer interval) while a slow page is being received.
  ScriptedServer s;
  s.on("/slow", ScriptedResponse::trickle("HTTP/1.1 200 OK\r\n\r\n", "x", 40, 50));
  add(url(s, "/slow"), "a-slow");
  add("http://127.0.0.1:9/", "b-driven");
  ASSERT_EQ(cli({"set", "b-driven", "USE_SCRIPT=2"}).status, 0);
  ASSERT_EQ(cli({"options", "TX_INTERVAL=500"}).status, 0);
  EXPECT_EQ(cli({"check"}).status, 3);  // the fake driver serves no session
  const std::string fds = read_file(listing).value_or("<none>");
  EXPECT_NE(fds, "<none>");
  for (const std::string& ours : {home() + "/", std::string("socket:"), std::string("(deleted)")}) {
    EXPECT_EQ(fds.find(ours), std::string::npos) << ours << " in\n" << fds;
  }
}

}  // namespace
}  // namespace ks::test
