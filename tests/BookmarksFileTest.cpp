// Browsers' bookmarks files: each browser's export, the malformed files real exports hold, the
// names a file can't have, and the writer's file read back.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "model/BookmarksFile.h"
#include "model/FavoritesList.h"
#include "tests/support/TempDir.h"
#include "tests/support/TreeText.h"

using testsupport::Describe;
using testsupport::ReadFile;

namespace {

struct Parsed {
  BookmarksRead read;
  std::string tree;     // Describe() of the tree
  std::string renamed;  // "path: why" lines
};

Parsed Parse(std::string_view bytes, FavoritesTree* keep = nullptr) {
  FavoritesTree own;
  FavoritesTree& tree = keep ? *keep : own;
  Parsed parsed{ReadBookmarks(bytes, tree), Describe(tree.Root()), {}};
  for (const auto& r : parsed.read.renamed) parsed.renamed += r.path + ": " + r.why + "\n";
  return parsed;
}

// The file written from a tree, read back: the same tree, nothing renamed or left out, and the
// same bytes when written again.
void ExpectRoundTrip(const FavoritesTree& first, const std::string& label) {
  const std::string written = BookmarksText(first, 1700000000);
  FavoritesTree second;
  const BookmarksRead again = ReadBookmarks(written, second);
  EXPECT_EQ(Describe(second.Root()), Describe(first.Root())) << label;
  EXPECT_TRUE(again.renamed.empty()) << label;
  EXPECT_EQ(again.withoutAddress + again.scripts + again.queries + again.tooLong, 0u) << label;
  EXPECT_EQ(BookmarksText(second, 1700000000), written) << label;
}

// A list of links in <DL>, as the browsers write them: the whole file around it.
std::string File(const std::string& list) {
  return "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n" + list + "</DL><p>\n";
}

TEST(BookmarksFile, ReadsEachBrowsersExport) {
  const struct {
    const char* file;
    const char* tree;
    std::size_t folders, links, withoutAddress, scripts, queries;
    const char* renamed;
  } cases[] = {
      {"firefox.html",
       "Favorites\n"
       "  Bookmarks Toolbar\n"
       "    Getting Started | https://www.example.org/start\n"
       "  Reading & Research\n"
       "    Café <Paris> – guide | https://example.com/search?q=caf%C3%A9&lang=fr\n"
       "    Deep\n"
       "      Deeper\n"
       "        東京の本 | https://deep.example/\n"
       "  Other Bookmarks\n",
       5, 3, 1, 1, 1, ""},
      {"chromium.html",
       "Favorites\n"
       "  Bookmarks bar\n"
       "    News | https://news.example/\n"
       "    Work\n"
       "      Docs | https://docs.example/a\n"
       "      Docs (2) | https://docs.example/b\n"
       "      Docs | https://docs.example/a\n"
       "    x.example | https://x.example:8443/page?id=1\n"
       "  Don't forget - later | https://other.example/\n"
       "  Mobile bookmarks\n"
       "    Settings | chrome://settings/\n",
       3, 7, 0, 0, 0,
       "Bookmarks bar/Work/Docs (2): another link of that name in this folder has another "
       "address\n"
       "Bookmarks bar/x.example: it has no name\n"
       "Don't forget - later: a name can't hold \"/\" or \"\\\"\n"},
      {"edge.html",  // CR LF line ends
       "Favorites\n"
       "  Favorites bar\n"
       "    Ünïcødé — spaced out | https://www.example.net/\n"
       "    (no name)\n"
       "      Trimmed | https://trim.example/\n"
       "  Other favorites\n"
       "    Ελληνικά | https://ελληνικά.example/\n",
       3, 3, 0, 1, 0, "Favorites bar/(no name): \".\" and \"..\" can't be names\n"},
      {"safari.html",  // no list around the top level
       "Favorites\n"
       "  Favourites\n"
       "    Apple | https://www.apple.example/\n"
       "    Nested\n"
       "      N | https://n.example/\n"
       "  Bookmarks Menu\n"
       "  Reading List\n"
       "    Read later | https://read.example/later\n",
       4, 3, 0, 0, 0, ""},
  };
  for (const auto& c : cases) {
    const std::string bytes = ReadFile(std::string(QUILLMERE_TEST_DATA) + "/bookmarks/" + c.file);
    ASSERT_FALSE(bytes.empty()) << c.file;
    FavoritesTree tree;
    const Parsed parsed = Parse(bytes, &tree);
    EXPECT_EQ(parsed.read.status, BookmarksRead::Status::kRead) << c.file;
    EXPECT_EQ(parsed.tree, c.tree) << c.file;
    EXPECT_EQ(parsed.read.folders, c.folders) << c.file;
    EXPECT_EQ(parsed.read.links, c.links) << c.file;
    EXPECT_EQ(parsed.read.withoutAddress, c.withoutAddress) << c.file;
    EXPECT_EQ(parsed.read.scripts, c.scripts) << c.file;
    EXPECT_EQ(parsed.read.queries, c.queries) << c.file;
    EXPECT_EQ(parsed.renamed, c.renamed) << c.file;
    ExpectRoundTrip(tree, c.file);
  }
}

TEST(BookmarksFile, ReadsTheMalformedFilesRealExportsHold) {
  const struct {
    const char* what;
    std::string bytes;
    const char* tree;
  } cases[] = {
      {"lower case, single and no quotes",
       "<!doctype netscape-bookmark-file-1><dl><p><dt><a href='http://a/?x=1' "
       "add_date=1>A</a><dt><a HREF=http://b/>B</a></dl>",
       "Favorites\n  A | http://a/?x=1\n  B | http://b/\n"},
      {"links never closed", File("<DT><A HREF=\"http://a/\">A\n<DT><A HREF=\"http://b/\">B\n"),
       "Favorites\n  A | http://a/\n  B | http://b/\n"},
      {"a heading never closed", File("<DT><H3>F\n<DL><p><DT><A HREF=\"http://a/\">A</A></DL>"),
       "Favorites\n  F\n    A | http://a/\n"},
      {"lists never closed", "<DL><DT><H3>F</H3><DL><DT><H3>G</H3><DL><DT><A HREF=x>A</A>",
       "Favorites\n  F\n    G\n      A | x\n"},
      {"stray closing lists", "<DL></DL></DL></DL><DT><A HREF=\"http://a/\">A</A>",
       "Favorites\n  A | http://a/\n"},
      {"a folder without a list, and one with a description",
       File("<DT><H3>Empty</H3>\n<DT><H3>F</H3>\n<DD>About F\n<DL><p>\n<DT><A "
            "HREF=\"http://a/\">A</A>\n</DL><p>\n<DT><A HREF=\"http://b/\">B</A>\n"),
       "Favorites\n  Empty\n  F\n    A | http://a/\n  B | http://b/\n"},
      {"'>' in quoted values", File("<DT><A HREF=\"http://a/?q=>\" TAGS='>'>A</A>\n"),
       "Favorites\n  A | http://a/?q=>\n"},
      {"a quote never closed", File("<DT><A HREF=\"http://a/>A</A>\n<DT><A HREF=http://b/>B</A>\n"),
       "Favorites\n  A | http://a/\n  B | http://b/\n"},
      {"tags in comments, names and text",
       File("<!-- <DT><A HREF=\"http://no/\">No</A> -->\n<DT><A HREF=\"http://a/\"><b>Bold</b> "
            "name</A>\n<DT><A HREF=\"http://c/\">a < b</A>\n"),
       "Favorites\n  Bold name | http://a/\n  a < b | http://c/\n"},
      {"a comment never closed", File("<!-- cut short <DT><A HREF=\"http://a/\">A</A>\n"),
       "Favorites\n  A | http://a/\n"},
      {"a byte order mark and the file's end inside a tag",
       "\xEF\xBB\xBF<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><DT><A HREF=\"http://a/\">A</A><DT><A "
       "HREF=\"http://b/",
       "Favorites\n  A | http://a/\n"},
  };
  for (const auto& c : cases) {
    const Parsed parsed = Parse(c.bytes);
    EXPECT_EQ(parsed.read.status, BookmarksRead::Status::kRead) << c.what;
    EXPECT_EQ(parsed.tree, c.tree) << c.what;
  }
}

// What a name or an address becomes, and what the status log is told of it.
TEST(BookmarksFile, MakesNamesAndAddressesSafe) {
  const std::string x150(150, 'x'), e151(151, 'e');
  std::string twoByte;
  for (int i = 0; i < 150; ++i) twoByte += "\u00E9";
  const struct {
    std::string name, href;
    std::string line;  // the link in Describe()
    const char* why;   // what the status log says of it
  } cases[] = {
      {"R&amp;D &quot;x&quot; &apos;y&apos; &lt;z&gt; &copy;", "http://a/",
       "R&D \"x\" 'y' <z> \u00A9 | http://a/", ""},
      {"&amp;amp; &bogus; &amp &#65 &#x1F600; &#0; &#xD800; &#99999999;", "http://a/",
       "&amp; &bogus; &amp A \U0001F600 \uFFFD \uFFFD \uFFFD | http://a/", ""},
      {"  lines\r\n\tand&#9;tabs&#10; ", "http://a/", "lines and tabs | http://a/", ""},
      {"one&#1;two&#127;", "http://a/", "onetwo | http://a/",
       "a name can't hold control characters"},
      {"a/b\\c", "http://a/", "a-b-c | http://a/", "a name can't hold \"/\" or \"\\\""},
      {"", "http://user@host.example:81/x", "host.example | http://user@host.example:81/x",
       "it has no name"},
      {"..", "http://[::1]:8080/", "[::1] | http://[::1]:8080/", "\".\" and \"..\" can't be names"},
      {"   ", "mailto:a@b.example", "(no name) | mailto:a@b.example", "it has no name"},
      {x150 + x150, "http://a/", std::string(200, 'x') + " | http://a/",
       "names are cut to 200 bytes"},
      // Cut before the UTF-8 sequence that would pass the limit, not inside it.
      {e151 + twoByte, "http://a/", e151 + twoByte.substr(0, 48) + " | http://a/",
       "names are cut to 200 bytes"},
      {"Joined", " http://a/&#10;b\r\nc&#1;d\x7f ", "Joined | http://a/bc%01d%7F", ""},
      {"Amp", "http://a/?x=1&amp;y=2&z=3", "Amp | http://a/?x=1&y=2&z=3", ""},
  };
  for (const auto& c : cases) {
    const Parsed parsed = Parse(File("<DT><A HREF=\"" + c.href + "\">" + c.name + "</A>\n"));
    EXPECT_EQ(parsed.tree, "Favorites\n  " + c.line + "\n") << c.name;
    const std::string why =
        parsed.renamed.empty() ? "" : parsed.renamed.substr(parsed.renamed.find(": ") + 2);
    EXPECT_EQ(why, *c.why ? std::string(c.why) + "\n" : "") << c.name;
  }
}

TEST(BookmarksFile, LeavesOutBookmarksWithoutAWebAddress) {
  const std::string tooLong = "http://a/" + std::string(kMaxBookmarkUrl, 'x');
  const Parsed parsed = Parse(File(
      "<DT><A>No address</A>\n<DT><A HREF=\"\">Empty</A>\n<DT><A HREF=\" &#10; \">Blank</A>\n"
      "<DT><A HREF=\"javascript:go()\">Script</A>\n<DT><A HREF=\" JavaScript:go()\">Script</A>\n"
      "<DT><A HREF=\"java&#10;script:go()\">Script</A>\n<DT><A HREF=\"place:folder=1\">Query</A>\n"
      "<DT><A HREF=\"" +
      tooLong + "\">Long</A>\n<DT><A HREF=\"http://kept/\">Kept</A>\n"));
  EXPECT_EQ(parsed.tree, "Favorites\n  Kept | http://kept/\n");
  EXPECT_EQ(parsed.read.withoutAddress, 3u);
  EXPECT_EQ(parsed.read.scripts, 3u);
  EXPECT_EQ(parsed.read.queries, 1u);
  EXPECT_EQ(parsed.read.tooLong, 1u);
  EXPECT_EQ(parsed.read.links, 1u);
}

// A synchronisation gives a shortcut the address of any later link of its name, so two
// bookmarks of one name in one folder on disk must not both be called so.
TEST(BookmarksFile, KeepsLinksOfOneNameInOneFolderApart) {
  const Parsed parsed =
      Parse(File("<DT><A HREF=\"http://a/\">Home</A>\n<DT><A HREF=\"http://b/\">Home</A>\n"
                 "<DT><A HREF=\"http://a/\">Home</A>\n<DT><A HREF=\"http://b/\">Home</A>\n"
                 "<DT><A HREF=\"http://c/\">Home (2)</A>\n<DT><A HREF=\"http://d/\">Home</A>\n"
                 // Two folders of one name are one folder on disk.
                 "<DT><H3>F</H3><DL><DT><A HREF=\"http://a/\">X</A></DL>\n"
                 "<DT><H3>F</H3><DL><DT><A HREF=\"http://b/\">X</A></DL>\n"
                 "<DT><H3>G</H3><DL><DT><A HREF=\"http://c/\">X</A></DL>\n"));
  EXPECT_EQ(parsed.tree,
            "Favorites\n"
            "  Home | http://a/\n"
            "  Home (2) | http://b/\n"
            "  Home | http://a/\n"
            "  Home (2) | http://b/\n"
            "  Home (2) (2) | http://c/\n"
            "  Home (3) | http://d/\n"
            "  F\n    X | http://a/\n"
            "  F\n    X (2) | http://b/\n"
            "  G\n    X | http://c/\n");
  const std::string why = ": another link of that name in this folder has another address\n";
  EXPECT_EQ(parsed.renamed, "Home (2)" + why + "Home (2)" + why + "Home (2) (2)" + why +
                                "Home (3)" + why + "F/X (2)" + why);
}

TEST(BookmarksFile, RefusesWhatIsNoBookmarksFile) {
  for (const char* bytes : {"", "hello, world", "<html><body><a href=\"http://a/\">A</a></body>"}) {
    FavoritesTree tree;
    EXPECT_EQ(ReadBookmarks(bytes, tree).status, BookmarksRead::Status::kNotBookmarks) << bytes;
    EXPECT_TRUE(tree.Empty());
  }
  testsupport::TempDir dir;
  FavoritesTree tree;
  EXPECT_EQ(LoadBookmarks(dir / "missing.html", tree).status, BookmarksRead::Status::kCantRead);
  EXPECT_EQ(LoadBookmarks(dir.path(), tree).status, BookmarksRead::Status::kCantRead);
  // Refused by its size alone: the file is sparse, and nothing of it is read.
  const std::string large = dir / "large.html";
  testsupport::WriteFile(large, "<!DOCTYPE NETSCAPE-Bookmark-file-1>");
  std::filesystem::resize_file(large, kMaxBookmarksFile + 1);
  EXPECT_EQ(LoadBookmarks(large, tree).status, BookmarksRead::Status::kTooLarge);
  EXPECT_TRUE(tree.Empty());
}

TEST(BookmarksFile, ReadsAndWritesNestingOfAnyDepth) {
  constexpr int kDepth = 100000;
  std::string bytes = "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><p>";
  for (int i = 0; i < kDepth; ++i) bytes += "<DT><H3>d</H3><DL><p>\n";
  bytes += "<DT><A HREF=\"http://bottom/\">bottom</A>";  // and no list is ever closed
  FavoritesTree tree;
  ASSERT_EQ(ReadBookmarks(bytes, tree).folders, static_cast<std::size_t>(kDepth));
  int depth = 0;
  const FavoriteNode* node = tree.Root();
  for (; node->firstChild; node = node->firstChild) ++depth;
  EXPECT_EQ(depth, kDepth + 1);
  EXPECT_EQ(node->text, "bottom\x01http://bottom/");
  // Written without recursion too, and in a size that grows with the depth, not its square.
  const std::string written = BookmarksText(tree, 0);
  EXPECT_LT(written.size(), 300u * kDepth);
  EXPECT_NE(written.find("<A HREF=\"http://bottom/\""), std::string::npos);
}

TEST(BookmarksFile, WritesTheFolderTreeForBrowsersToImport) {
  FavoritesTree tree;
  LoadText(tree,
           "Favorites\r\n\tR&D \"lab\" <1>\r\n\t\tA\x01http://a/?b=1&c=\"2\"\r\n\tGone\r\n"
           "\t\tG\x01http://g/\r\n\tL\x01http://l/\r\n\t\tUnder a link\x01http://u/\r\n"
           "\tEmpty\r\n");
  tree.Root()->firstChild->nextSibling->excluded = 1;  // "Gone", unchecked
  EXPECT_EQ(BookmarksText(tree, 1700000000),
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
            "<!-- Favorites written by Quillmere: a browser imports them as bookmarks. -->\n"
            "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
            "<TITLE>Bookmarks</TITLE>\n"
            "<H1>Favorites</H1>\n"
            "<DL><p>\n"
            "    <DT><H3 ADD_DATE=\"1700000000\">R&amp;D &quot;lab&quot; &lt;1&gt;</H3>\n"
            "    <DL><p>\n"
            "        <DT><A HREF=\"http://a/?b=1&amp;c=&quot;2&quot;\" "
            "ADD_DATE=\"1700000000\">A</A>\n"
            "    </DL><p>\n"
            "    <DT><A HREF=\"http://l/\" ADD_DATE=\"1700000000\">L</A>\n"
            "    <DT><H3 ADD_DATE=\"1700000000\">Empty</H3>\n"
            "    <DL><p>\n"
            "    </DL><p>\n"
            "</DL><p>\n");
  tree.Root()->excluded = 1;
  EXPECT_EQ(Parse(BookmarksText(tree, 0)).tree, "Favorites\n");

  testsupport::TempDir dir;
  EXPECT_EQ(SaveBookmarks(tree, dir / "bookmarks.html", 0), 0);
  EXPECT_EQ(SaveBookmarks(tree, dir / "no/such/bookmarks.html", 0), 1);
}

// A large export as browsers write it, favicons inline: 50,000 links in 500 folders.
TEST(BookmarksFile, ReadsFiftyThousandLinks) {
  std::string bytes =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
      "CONTENT=\"text/html; charset=UTF-8\">\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n"
      "<DL><p>\n";
  const std::string icon = "data:image/png;base64," + std::string(100, 'A');
  for (int f = 0; f < 500; ++f) {
    bytes +=
        "    <DT><H3 ADD_DATE=\"1700000000\">Folder " + std::to_string(f) + "</H3>\n    <DL><p>\n";
    for (int l = 0; l < 100; ++l) {
      const std::string n = std::to_string(f * 100 + l);
      bytes += "        <DT><A HREF=\"https://site" + n + ".example/page?a=1&amp;b=" + n +
               "\" ADD_DATE=\"1700000000\" ICON=\"" + icon + "\">Page " + n + " &amp; more</A>\n";
    }
    bytes += "    </DL><p>\n";
  }
  bytes += "</DL><p>\n";
  FavoritesTree tree;
  const BookmarksRead read = ReadBookmarks(bytes, tree);
  EXPECT_EQ(read.folders, 500u);
  EXPECT_EQ(read.links, 50000u);
  EXPECT_TRUE(read.renamed.empty());
  const FavoriteNode* last = tree.Root()->lastChild;
  EXPECT_EQ(last->text, "Folder 499");
  EXPECT_EQ(last->childCount, 100u);
  EXPECT_EQ(last->lastChild->text,
            "Page 49999 & more\x01https://site49999.example/page?a=1&b=49999");
  ExpectRoundTrip(tree, "50,000 links");
}

}  // namespace
