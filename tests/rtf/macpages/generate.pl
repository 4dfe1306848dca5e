#!/usr/bin/perl
# Writes <codepage>.txt: what each byte from 0x80 to 0xFF of a Mac code page decodes to, after
# the Apple mapping tables that Perl's Encode carries. A line is "XX UUUU [UUUU...]", or "XX -"
# for a byte the table leaves undefined. Apple's transcoding hints (U+F860 to U+F8FF, private
# use) are left out: they mark a glyph variant, not text.
# Run from this folder: perl generate.pl
use strict;
use warnings;
use Encode;

my %pages = (
    10004 => 'MacArabic',
    10005 => 'MacHebrew',
    10010 => 'MacRomanian',
    10021 => 'MacThai',
    10079 => 'MacIcelandic',
    10082 => 'MacCroatian',
);

for my $page (sort keys %pages) {
    open(my $out, '>', "$page.txt") or die "$page.txt: $!";
    print $out "# $pages{$page} (Windows code page $page), from Perl Encode $Encode::VERSION\n";
    for my $byte (0x80 .. 0xFF) {
        my $text = eval { decode($pages{$page}, chr($byte), Encode::FB_CROAK) };
        my @units = defined $text ? grep { $_ < 0xF860 || $_ > 0xF8FF } map { ord } split //, $text : ();
        printf $out "%02X %s\n", $byte, @units ? join(' ', map { sprintf '%04X', $_ } @units) : '-';
    }
    close $out;
}
