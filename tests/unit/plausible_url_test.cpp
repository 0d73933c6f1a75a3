// The address test that decides whether a download is attempted at all.
#include <gtest/gtest.h>

#include <string>

#include "config/toolbar_config.h"

namespace pq {
namespace {

TEST(PlausibleUrl, TextsShorterThanFiveCharactersAreRejected) {
  EXPECT_FALSE(IsPlausibleURL(""));
  EXPECT_FALSE(IsPlausibleURL("www."));
  EXPECT_TRUE(IsPlausibleURL("www.a"));
}

TEST(PlausibleUrl, TrailingDotOrDoubleDotRejectsEvenLongAddresses) {
  EXPECT_FALSE(IsPlausibleURL("http://www.example.com."));
  EXPECT_FALSE(IsPlausibleURL("www.a."));
  EXPECT_FALSE(IsPlausibleURL("http://www..example.com/"));
  EXPECT_FALSE(IsPlausibleURL("http://example.com/../x"));
  EXPECT_TRUE(IsPlausibleURL("http://example.com/.x/y.z")) << "single dots are fine";
}

TEST(PlausibleUrl, OnlyPrintableAsciiIsAccepted) {
  EXPECT_FALSE(IsPlausibleURL("http://example.com/a b"));
  EXPECT_FALSE(IsPlausibleURL("http://example.com/\t"));
  EXPECT_FALSE(IsPlausibleURL(std::string("http://ex\0mple.com/", 19)));
  EXPECT_FALSE(IsPlausibleURL("http://example.com/\x7F"));
  EXPECT_FALSE(IsPlausibleURL("http://example.com/\x80"));
  EXPECT_FALSE(IsPlausibleURL("http://example.com/\xE9t\xE9"));
  EXPECT_TRUE(IsPlausibleURL("http://example.com/!~")) << "0x21 and 0x7E are the range's ends";
}

TEST(PlausibleUrl, WwwPrefixAcceptsShortTextsInAnyCase) {
  EXPECT_TRUE(IsPlausibleURL("www.x"));
  EXPECT_TRUE(IsPlausibleURL("WWW.x"));
  EXPECT_TRUE(IsPlausibleURL("wWw.x"));
  EXPECT_FALSE(IsPlausibleURL("ww.xy")) << "neither prefix nor long enough";
}

TEST(PlausibleUrl, NewsNeedsTwoCharactersAfterTheScheme) {
  EXPECT_TRUE(IsPlausibleURL("news:ab"));
  EXPECT_TRUE(IsPlausibleURL("NEWS:ab"));
  EXPECT_FALSE(IsPlausibleURL("news:a"));
}

TEST(PlausibleUrl, AnyCleanTextLongerThanTwelveCharactersPasses) {
  EXPECT_TRUE(IsPlausibleURL("abcdefghijklm"));
  EXPECT_FALSE(IsPlausibleURL("abcdefghijkl"));
  EXPECT_TRUE(IsPlausibleURL("example.com/toolbar.ini"));
}

TEST(PlausibleUrl, MailtoNeedsAtLeastOneCharacterBetweenAtAndDot) {
  EXPECT_TRUE(IsPlausibleURL("mailto:a@b.c"));
  EXPECT_TRUE(IsPlausibleURL("MAILTO:a@b.c"));
  EXPECT_FALSE(IsPlausibleURL("mailto:a@.bc")) << "dot right after the at sign";
  EXPECT_FALSE(IsPlausibleURL("mailto:a.b@c")) << "dot before the at sign";
  EXPECT_FALSE(IsPlausibleURL("mailto:ab@cd")) << "no dot";
  EXPECT_FALSE(IsPlausibleURL("mailto:ab.cd")) << "no at sign";
}

TEST(PlausibleUrl, HttpAnywhereAcceptsShortTexts) {
  EXPECT_TRUE(IsPlausibleURL("http://a.com"));
  EXPECT_TRUE(IsPlausibleURL("HTTP://ab"));
  EXPECT_TRUE(IsPlausibleURL("xhttp://ab"));
  EXPECT_FALSE(IsPlausibleURL("https://ab")) << "only the plain scheme is named";
}

TEST(PlausibleUrl, FtpNeedsElevenCharactersAndADotAfterTheSeventh) {
  EXPECT_TRUE(IsPlausibleURL("ftp://a.com"));
  EXPECT_TRUE(IsPlausibleURL("FTP://a.com"));
  EXPECT_FALSE(IsPlausibleURL("ftp://a.co")) << "ten characters";
  EXPECT_FALSE(IsPlausibleURL("ftp://.abcd")) << "first dot is the seventh character";
  EXPECT_FALSE(IsPlausibleURL("ftp://abcde")) << "no dot";
  EXPECT_TRUE(IsPlausibleURL("xftp://a.co")) << "the scheme may stand anywhere";
}

}  // namespace
}  // namespace pq
